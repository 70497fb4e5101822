// A component watch learns of the watched component's end, whether it is freed itself or with its owner.
#include "framework/Component.h"

#include <gtest/gtest.h>

TEST(ComponentWatch, FollowsTheWatchedComponentToItsEnd)
{
    auto* owner = new TComponent(nullptr);
    auto* component = new TComponent(owner);
    const TComponentWatch watch(component);
    const TComponentWatch ownerWatch(owner);
    EXPECT_TRUE(watch.Alive());
    delete component;
    EXPECT_FALSE(watch.Alive());
    EXPECT_TRUE(ownerWatch.Alive());

    auto* second = new TComponent(owner);
    const TComponentWatch secondWatch(second);
    // While the owner is being destroyed, what it owns counts as gone before it is freed.
    owner->Destroying();
    EXPECT_FALSE(secondWatch.Alive());
    delete owner;
    EXPECT_FALSE(ownerWatch.Alive());
}
