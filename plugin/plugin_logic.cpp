#include "plugin/plugin_logic.h"

namespace vellum::plugin {

HostApi hostApi;
logic* theLogic = nullptr;
HMODULE pluginModule = nullptr;

int SPluginLogic::OnPlugInInfo(PluginInfo*) { return 0; }
int SPluginLogic::OnPlugInSetup(HWND) { return 0; }
int SPluginLogic::OnStart() { return 0; }
int SPluginLogic::OnExit() { return 0; }
int SPluginLogic::OnOutgoing(HostWord, HostWord) { return 0; }
int SPluginLogic::OnOpenFolder(HostWord) { return 0; }
int SPluginLogic::OnOpenMail(HostWord) { return 0; }
int SPluginLogic::OnEveryMinute() { return 0; }
int SPluginLogic::OnOpenCompose(HostWord, HostWord) { return 0; }
int SPluginLogic::OnKeyDispatch(HostWord, HostWord, HostWord) { return 0; }
int SPluginLogic::OnRetrieve(HostWord, HostWord) { return 0; }
int SPluginLogic::OnSend(HostWord) { return 0; }
int SPluginLogic::OnFinishRetrieve(HostWord) { return 0; }
int SPluginLogic::OnDragDrop(HostWord, HostWord, HostWord, HostWord) { return 0; }
int SPluginLogic::OnBeforeFilter2(HostWord, HostWord, HostWord, HostWord) { return 0; }

logic::~logic() = default;  // holds nothing to release

}  // namespace vellum::plugin
