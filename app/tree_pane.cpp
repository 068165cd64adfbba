#include "app/tree_pane.h"

#include <QtWidgets/QHeaderView>
#include <QtWidgets/QTreeWidget>
#include <QtWidgets/QVBoxLayout>

namespace {

constexpr int kBodyRole = Qt::UserRole;
constexpr int kJointRole = Qt::UserRole + 1;
constexpr int kConstraintsIndex = kBodyKindCount;

const btCollisionObject* BodyOf(const QTreeWidgetItem* item)
{
    return item == nullptr ? nullptr
                           : reinterpret_cast<const btCollisionObject*>(
                                 item->data(0, kBodyRole).value<quintptr>());
}

void SetTextIfChanged(QTreeWidgetItem& item, const QString& text)
{
    if (item.text(0) != text)
        item.setText(0, text);
}

// Grows or shrinks the item's children to count, keeping those that stay.
void ResizeChildren(QTreeWidgetItem& parent, int count)
{
    while (parent.childCount() > count)
        delete parent.takeChild(parent.childCount() - 1);
    if (parent.childCount() < count) {
        QList<QTreeWidgetItem*> added;
        added.reserve(count - parent.childCount());
        for (int i = parent.childCount(); i < count; ++i)
            added.append(new QTreeWidgetItem);
        parent.addChildren(added);
    }
}

}  // namespace

CTreePane::CTreePane(std::function<void(const btCollisionObject*)> select, QWidget* parent)
    : QWidget(parent), m_select(std::move(select))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("worldTree"));
    m_tree->setHeaderHidden(true);
    m_tree->setUniformRowHeights(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int i = 0; i <= kConstraintsIndex; ++i) {
        auto* group = new QTreeWidgetItem(m_tree);
        group->setFlags(Qt::ItemIsEnabled);
        group->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
    layout->addWidget(m_tree);
    connect(m_tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
        const int index = m_tree->indexOfTopLevelItem(item);
        if (index >= 0 && index < kBodyKindCount)
            FillGroup(index);
    });
    connect(m_tree, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        const int index = m_tree->indexOfTopLevelItem(item);
        if (index >= 0 && index < kBodyKindCount) {
            m_showing = true;
            ResizeChildren(*item, 0);
            item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
            m_showing = false;
        }
    });
    connect(m_tree, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
}

QTreeWidgetItem* CTreePane::GroupItem(int index) const
{
    return m_tree->topLevelItem(index);
}

void CTreePane::ShowTree(const WorldTree& tree, const btCollisionObject* selected)
{
    m_showing = true;
    m_shown = &tree;
    for (int i = 0; i < kBodyKindCount; ++i) {
        const WorldTreeGroup& group = tree.groups[static_cast<std::size_t>(i)];
        QTreeWidgetItem& item = *m_tree->topLevelItem(i);
        SetTextIfChanged(item, QStringLiteral("%1 (%2)")
                                   .arg(QString::fromUtf8(group.title))
                                   .arg(group.bodies.size()));
        // A closed group keeps no items: only the sign that it can open.
        item.setChildIndicatorPolicy(group.bodies.empty()
                                         ? QTreeWidgetItem::DontShowIndicator
                                         : QTreeWidgetItem::ShowIndicator);
        if (item.isExpanded())
            FillGroup(i);
    }
    QTreeWidgetItem& constraints = *m_tree->topLevelItem(kConstraintsIndex);
    SetTextIfChanged(constraints,
                     QStringLiteral("Constraints (%1)").arg(tree.constraints.size()));
    ResizeChildren(constraints, static_cast<int>(tree.constraints.size()));
    for (std::size_t i = 0; i < tree.constraints.size(); ++i) {
        QTreeWidgetItem& child = *constraints.child(static_cast<int>(i));
        child.setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        SetTextIfChanged(child, QString::fromStdString(tree.constraints[i]));
        child.setData(0, kJointRole,
                      QVariant::fromValue(reinterpret_cast<quintptr>(tree.constraintObjects[i])));
    }
    ShowSelected(selected);
    m_showing = false;
}

void CTreePane::FillGroup(int index)
{
    if (m_shown == nullptr)
        return;
    const bool wasShowing = m_showing;
    m_showing = true;
    const auto& bodies = m_shown->groups[static_cast<std::size_t>(index)].bodies;
    QTreeWidgetItem& group = *m_tree->topLevelItem(index);
    ResizeChildren(group, static_cast<int>(bodies.size()));
    static const QString kAsleep = QStringLiteral(" (asleep)");
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        QTreeWidgetItem& child = *group.child(static_cast<int>(i));
        QString text = QString::fromStdString(bodies[i].name);
        if (bodies[i].asleep)
            text += kAsleep;
        SetTextIfChanged(child, text);
        const auto body = reinterpret_cast<quintptr>(bodies[i].body);
        if (child.data(0, kBodyRole).value<quintptr>() != body)
            child.setData(0, kBodyRole, QVariant::fromValue(body));
    }
    m_showing = wasShowing;
}

void CTreePane::ShowSelected(const btCollisionObject* selected)
{
    QTreeWidgetItem* current = m_tree->currentItem();
    if (selected == m_selected && BodyOf(current) == selected)
        return;
    m_selected = selected;
    if (selected == nullptr || m_shown == nullptr) {
        m_tree->clearSelection();
        return;
    }
    const BodyKind kind = KindOf(*selected);
    for (int i = 0; i < kBodyKindCount; ++i) {
        if (m_shown->groups[static_cast<std::size_t>(i)].kind != kind)
            continue;
        QTreeWidgetItem* group = m_tree->topLevelItem(i);
        // Opening the group fills it.
        group->setExpanded(true);
        FillGroup(i);
        for (int c = 0; c < group->childCount(); ++c) {
            if (BodyOf(group->child(c)) == selected) {
                m_tree->setCurrentItem(group->child(c));
                m_tree->scrollToItem(group->child(c));
                return;
            }
        }
    }
    m_tree->clearSelection();
}

void CTreePane::OnSelectionChanged()
{
    if (m_showing)
        return;
    const QList<QTreeWidgetItem*> items = m_tree->selectedItems();
    if (!items.isEmpty() && items.front()->data(0, kJointRole).isValid()) {
        m_selected = nullptr;
        if (m_selectJoint)
            m_selectJoint(reinterpret_cast<const btTypedConstraint*>(
                items.front()->data(0, kJointRole).value<quintptr>()));
        return;
    }
    const btCollisionObject* body = items.isEmpty() ? nullptr : BodyOf(items.front());
    m_selected = body;
    if (m_select)
        m_select(body);
}
