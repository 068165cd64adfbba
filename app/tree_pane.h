#pragma once
// The Tree pane: a view over the scene library's snapshot of the world. A
// group's bodies become items only while the group is open, so a world of
// thousands of bodies costs a few dozen items until the user looks inside.

#include "edit/world_tree.h"

#include <QtWidgets/QWidget>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

class CTreePane : public QWidget {
public:
    // select gets the body the user picked, or null.
    CTreePane(std::function<void(const btCollisionObject*)> select, QWidget* parent);

    // selectJoint gets the constraint the user picked under Constraints.
    void OnJointSelected(std::function<void(const btTypedConstraint*)> selectJoint)
    {
        m_selectJoint = std::move(selectJoint);
    }

    // tree must stay alive and unchanged until the next call.
    void ShowTree(const WorldTree& tree, const btCollisionObject* selected);

    QTreeWidget* Tree() const { return m_tree; }
    // The group item of a kind, or the constraints' item (index kBodyKindCount).
    QTreeWidgetItem* GroupItem(int index) const;

private:
    void FillGroup(int index);
    void ShowSelected(const btCollisionObject* selected);
    void OnSelectionChanged();

    std::function<void(const btCollisionObject*)> m_select;
    std::function<void(const btTypedConstraint*)> m_selectJoint;
    QTreeWidget* m_tree = nullptr;
    const WorldTree* m_shown = nullptr;
    const btCollisionObject* m_selected = nullptr;
    bool m_showing = false;  // selection changes made here are not the user's
};
