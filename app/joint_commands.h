#pragma once
// Insert › Joint: Point, Hinge, Slider, Fixed and Spring join the two
// selected bodies, or tie the one selected body to the world, at the point
// last clicked on the first body, with the axis pointing at the eye.

#include "edit/body_joints.h"

#include <QtCore/QObject>
#include <QtCore/QString>

#include <functional>

class CFrameBars;
class CKinettaView;
class QMainWindow;
class QMenu;

class CJointCommands : public QObject {
public:
    // say puts a line in the status bar; opening tells whether a file is
    // being opened (no edit then). The view must outlive this.
    CJointCommands(QMainWindow& frame, CKinettaView& view, std::function<void(const QString&)> say,
                   std::function<bool()> opening);

    // Adds the Insert menu, holding the Joint submenu, before the View menu.
    void AddInsertMenu(CFrameBars& bars);
    QMenu* InsertMenu() const { return m_insert; }
    QMenu* JointMenu() const { return m_joint; }

    // One or two bodies selected, and no file being opened.
    bool CanJoin() const;
    // Joins as the menu item of the type does; false, saying why, when refused.
    bool Join(JointType type);

private:
    CKinettaView& m_view;
    std::function<void(const QString&)> m_say;
    std::function<bool()> m_opening;
    QMenu* m_insert = nullptr;
    QMenu* m_joint = nullptr;
};
