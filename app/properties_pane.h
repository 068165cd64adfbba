#pragma once
// The Properties pane: the selected body's record, live while the world
// runs, or the world's when nothing is selected. An edited value goes to the
// scene library when the field is left or Enter is pressed; a refused one
// stays in its field, marked, with the reason below it.

#include "edit/body_properties.h"
#include "edit/joint_edits.h"

#include <QtWidgets/QWidget>

#include <functional>
#include <map>
#include <optional>
#include <string>

class QCheckBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QStackedWidget;

class CPropertiesPane : public QWidget {
public:
    // Each answers the reason a value was refused, or nothing once applied.
    struct Handlers {
        std::function<std::optional<std::string>(BodyField, const FieldValue&)> editBody;
        std::function<std::optional<std::string>(const FieldValue&)> editGravity;
        std::function<std::optional<std::string>(double)> editSolverIterations;
        std::function<std::optional<std::string>(JointField, const FieldValue&)> editJoint;
        // A new size: the first `count` numbers (edit/body_size.h).
        std::function<std::optional<std::string>(const btVector3&, int)> editSize;
    };

    CPropertiesPane(Handlers handlers, QWidget* parent);

    // Fields being edited keep what the user typed, for as long as the
    // same body (subject) shows: a refused value belongs to the body it was
    // typed for, and goes with its mark when another body shows.
    void ShowBody(const BodyProperties& body, const void* subject);
    void ShowWorld(const WorldProperties& world, double stepMilliseconds, double frameMilliseconds);
    // A joint Kinetta makes, named as the Tree lists it; fields the type
    // has no use for are greyed.
    void ShowJoint(JointType type, const JointSettings& joint, const QString& name,
                   const void* subject);
    bool ShowsJoint() const;
    QLineEdit* JointEdit(JointField field) const { return m_jointEdits.at(field); }

    // An undo or redo changed the values: the next Show puts them in the
    // field that has the keyboard too, unless it has been typed in.
    void ShowUndone() { m_undone = true; }

    bool ShowsBody() const;
    // The editable field of a body's property, or of the world's gravity
    // (field null) and solver iterations; for tests and for focus checks.
    QLineEdit* BodyField(::BodyField field) const { return m_bodyEdits.at(field); }
    QLineEdit* GravityField() const { return m_gravity; }
    QLineEdit* IterationsField() const { return m_iterations; }
    QLineEdit* SizeField() const { return m_size; }
    QCheckBox* StaticBox() const { return m_static; }
    // The reason the last value was refused; empty after one was applied.
    QString Refusal() const;

private:
    QLineEdit* AddEdit(QFormLayout& form, const QString& label, bool vector,
                       std::function<std::optional<std::string>(const FieldValue&)> apply);
    QLabel* AddLabel(QFormLayout& form, const QString& label);
    void Commit(QLineEdit& edit, bool vector,
                const std::function<std::optional<std::string>(const FieldValue&)>& apply);
    void ShowRefusal(QLineEdit* edit, const QString& reason);
    // The size row, its label naming what the numbers are, and the static box.
    void AddSizeRows(QFormLayout& form);
    void ShowSize(const BodyProperties& body, bool otherBody);

    Handlers m_handlers;
    QStackedWidget* m_pages = nullptr;
    QWidget* m_bodyPage = nullptr;
    QWidget* m_worldPage = nullptr;
    std::map<::BodyField, QLineEdit*> m_bodyEdits;
    QWidget* m_jointPage = nullptr;
    QLabel* m_jointName = nullptr;
    std::map<JointField, QLineEdit*> m_jointEdits;
    QLabel* m_name = nullptr;
    QLabel* m_shape = nullptr;
    QLabel* m_sizes = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QLineEdit* m_size = nullptr;
    QCheckBox* m_static = nullptr;
    QLabel* m_rollingFriction = nullptr;
    QLabel* m_activation = nullptr;
    QLineEdit* m_gravity = nullptr;
    QLineEdit* m_iterations = nullptr;
    QLabel* m_bodies = nullptr;
    QLabel* m_awake = nullptr;
    QLabel* m_constraints = nullptr;
    QLabel* m_stepCost = nullptr;
    QLabel* m_frameCost = nullptr;
    QLabel* m_refusal = nullptr;
    QLineEdit* m_refused = nullptr;  // the field that holds a refused value
    const void* m_subject = nullptr;  // the body shown
    bool m_undone = false;
};

// "1.5, -2, 0" (commas or spaces between) into three numbers; one number for
// a scalar. Empty when the text is not that many numbers.
std::optional<FieldValue> ParseFieldText(const QString& text, bool vector);
// One to three numbers, separated as above; empty for anything else.
std::optional<std::pair<btVector3, int>> ParseSizeText(const QString& text);
