#include "app/sstate/qt_window_layout.h"

#include "app/sstate/dock_wnd_mgr.h"
#include "app/sstate/qt_window_bindings.h"
#include "app/sstate/rebar_state_adapter.h"
#include "app/sstate/stg_registry.h"
#include "app/sstate/toggle_window_adapter.h"

#include <QtCore/QMetaObject>

namespace sstate {

void SetUpAndRestoreLayout(CWindowStateMgr& manager, const QtLayoutParts& parts)
{
    if (!parts.frame)
        return;
    manager.Initialize(std::make_shared<CQtTopLevelWindow>(*parts.frame), kShowDefault);
    manager.AddChild(
        kRebarChildId,
        std::make_shared<CRebarStateAdapter>(
            std::make_shared<CQtToolBarBands>(*parts.frame, parts.bands), parts.alwaysShownBands));
    if (parts.statusBar)
        manager.AddChild(kStatusBarChildId,
                         std::make_shared<CToggleWindowAdapter>(
                             std::make_shared<CQtToggleWidget>(*parts.statusBar), kShowNoActivate));
    manager.AddChild(kPaneManagerChildId, std::make_shared<CDockWndMgr>());

    const std::unique_ptr<CStgRegistry> root = CStgRegistry::OpenRoot();
    manager.Restore(root.get());
}

void PostRestoreLayout(CWindowStateMgr manager, QtLayoutParts parts,
                       std::function<void()> afterwards)
{
    QMainWindow* frame = parts.frame;
    if (!frame)
        return;
    QMetaObject::invokeMethod(
        frame,
        [manager, parts, afterwards]() mutable {
            SetUpAndRestoreLayout(manager, parts);
            if (afterwards)
                afterwards();
        },
        Qt::QueuedConnection);
}

bool SaveLayout(const CWindowStateMgr& manager)
{
    const std::unique_ptr<CStgRegistry> root = CStgRegistry::CreateRoot();
    if (!root)
        return false;
    manager.Store(*root);
    return root->Flush();
}

}  // namespace sstate
