// Registration of the library with the designer.
#include "foundation/QELSysReg.h"

#include "actions/QELTExitWindows.h"
#include "actions/QELTFileExecute.h"
#include "actions/QELTScreenSaver.h"
#include "actions/QELTSystemKeys.h"
#include "actions/QELTTimeTrigger.h"
#include "actions/QELTWallPaper.h"
#include "actions/QELTWavePlayer.h"
#include "application/QELTApplication.h"
#include "application/QELTMessages.h"
#include "application/QELTOnlyOne.h"
#include "application/QELTSystemTray.h"
#include "files/QELTFileCollector.h"
#include "files/QELTFileOperator.h"
#include "files/QELTFileProperties.h"
#include "files/QELTLogFile.h"
#include "files/QELTTextReplace.h"
#include "form/QELTCDTriggers.h"
#include "form/QELTDroppedFiles.h"
#include "form/QELTFormAspect.h"
#include "form/QELTFormExplode.h"
#include "form/QELTFormSizes.h"
#include "form/QELTFormTopMost.h"
#include "form/QELTMouseController.h"
#include "foundation/QELSystem.h"
#include "foundation/QELTFormHook.h"
#include "framework/Strings.h"
#include "holders/QELTHolders.h"
#include "holders/QELTMultiLists.h"
#include "persistence/QELTFormSaver.h"
#include "persistence/QELTIllegalAbort.h"
#include "persistence/QELTStartup.h"
#include "persistence/QELTStoreData.h"
#include "sysinfo/QELTDriveVolume.h"
#include "sysinfo/QELTResourceInfo.h"
#include "sysinfo/QELTSystemDetails.h"
#include "sysinfo/QELTVersionDetails.h"

QEL_CLASS_INFO(TQELAboutSystemComponent, TPropertyEditor)
{
    return {};
}
QEL_CLASS_INFO(TQELExecSystemProperty, TStringProperty)
{
    return {};
}
QEL_CLASS_INFO(TQELROStringProperty, TStringProperty)
{
    return {};
}
QEL_CLASS_INFO(TQELROIntegerProperty, TIntegerProperty)
{
    return {};
}
QEL_CLASS_INFO(TQELROBooleanproperty, TOrdinalProperty)
{
    return {};
}

TPropertyAttributes TQELAboutSystemComponent::GetAttributes() const
{
    return {paMultiSelect, paReadOnly};
}

std::string TQELAboutSystemComponent::GetValue() const
{
    return Format("(%s)", {"QEL System Components"});
}

TPropertyAttributes TQELExecSystemProperty::GetAttributes() const
{
    return {paDialog, paReadOnly};
}

std::string TQELExecSystemProperty::GetValue() const
{
    return Format("(%s)", {"Execute Test"});
}

void TQELExecSystemProperty::Edit()
{
    (void)GetComponent(0)->As<TQELExecuteComponent>()->Execute();
}

// The three read-only editors take the base editor's attributes, not their own base class's.
TPropertyAttributes TQELROStringProperty::GetAttributes() const
{
    return TPropertyEditor::GetAttributes() + TPropertyAttributes{paReadOnly};
}

TPropertyAttributes TQELROIntegerProperty::GetAttributes() const
{
    return TPropertyEditor::GetAttributes() + TPropertyAttributes{paReadOnly};
}

TPropertyAttributes TQELROBooleanproperty::GetAttributes() const
{
    return TPropertyEditor::GetAttributes() + TPropertyAttributes{paReadOnly};
}

void Register()
{
    RegisterClasses({TQELDataStore::StaticClass()});
    RegisterPropertyEditor(typeid(std::string), TQELSystemsComponent::StaticClass(), "About",
                           TQELAboutSystemComponent::StaticClass());
    RegisterComponents("QEL System", {
                                          TQELExitWindows::StaticClass(),
                                          TQELFileExecute::StaticClass(),
                                          TQELTopMost::StaticClass(),
                                          TQELOnlyOne::StaticClass(),
                                          TQELMsgDlg::StaticClass(),
                                          TQELMsgBox::StaticClass(),
                                          TQELMsgSelect::StaticClass(),
                                          TQELStartup::StaticClass(),
                                          TQELScreenSaver::StaticClass(),
                                          TQELTimeTrigger::StaticClass(),
                                          TQELWallPaper::StaticClass(),
                                          TQELFormHook::StaticClass(),
                                          TQELMouseController::StaticClass(),
                                          TQELWavePlayer::StaticClass(),
                                          TQELCDTriggers::StaticClass(),
                                          TQELVersionDetails::StaticClass(),
                                          TQELSystemKeys::StaticClass(),
                                          TQELMultiLists::StaticClass(),
                                      });
    RegisterComponents("QEL System 2", {
                                            TQELFormSizes::StaticClass(),
                                            TQELFormAspect::StaticClass(),
                                            TQELDriveVolume::StaticClass(),
                                            TQELApplication::StaticClass(),
                                            TQELStoreData::StaticClass(),
                                            TQELIllegalAbort::StaticClass(),
                                            TQELFormSaver::StaticClass(),
                                            TQELLogFile::StaticClass(),
                                            TQELTextReplace::StaticClass(),
                                            TQELSystemTray::StaticClass(),
                                            TQELFileProperties::StaticClass(),
                                            TQELFileOperator::StaticClass(),
                                            TQELDroppedFiles::StaticClass(),
                                            TQELSystemDetails::StaticClass(),
                                            TQELFileCollector::StaticClass(),
                                            TQELStringHolder::StaticClass(),
                                            TQELJokeHolder::StaticClass(),
                                            TQELFormExplode::StaticClass(),
                                            TQELResourceInfo::StaticClass(),
                                        });
    RegisterPropertyEditor(typeid(std::string), TQELExecuteComponent::StaticClass(), "DesignExecute",
                           TQELExecSystemProperty::StaticClass());
    RegisterReadOnlyInformationEditors(TQELDriveVolume::StaticClass());
}

void RegisterReadOnlyInformationEditors(TClass cls)
{
    RegisterPropertyEditor(typeid(std::string), cls, "", TQELROStringProperty::StaticClass());
    RegisterPropertyEditor(typeid(bool), cls, "", TQELROBooleanproperty::StaticClass());
    RegisterPropertyEditor(typeid(int), cls, "", TQELROIntegerProperty::StaticClass());
}
