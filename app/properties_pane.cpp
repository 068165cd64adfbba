#include "app/properties_pane.h"

#include <QtCore/QRegularExpression>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QFormLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QStackedWidget>
#include <QtWidgets/QVBoxLayout>

namespace {

QString Scalar(double value)
{
    return QString::number(value, 'g', 5);
}

QString Vector(const btVector3& v)
{
    return QStringLiteral("%1, %2, %3").arg(Scalar(v.x()), Scalar(v.y()), Scalar(v.z()));
}

void SetIfChanged(QLabel* label, const QString& text)
{
    if (label->text() != text)
        label->setText(text);
}

// A field the user is in, or one holding a refused value, keeps its text;
// after an undo the one the user is in shows the value too, unless it has
// been typed in.
void SetIfIdle(QLineEdit* edit, const QString& text, const QLineEdit* refused,
               bool undone = false)
{
    const bool typing = edit->hasFocus() && (!undone || edit->isModified());
    if (typing || edit == refused || edit->text() == text)
        return;
    edit->setText(text);
    edit->setCursorPosition(0);
}

}  // namespace

std::optional<FieldValue> ParseFieldText(const QString& text, bool vector)
{
    static const QRegularExpression kSeparators(QStringLiteral("[,;\\s]+"));
    const QStringList parts = text.trimmed().split(kSeparators, Qt::SkipEmptyParts);
    if (parts.size() != (vector ? 3 : 1))
        return std::nullopt;
    double numbers[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        // "nan" and "inf" parse; the scene library refuses them with the reason.
        numbers[i] = parts[i].toDouble(&ok);
        if (!ok)
            return std::nullopt;
    }
    return FieldValue{numbers[0], numbers[1], numbers[2]};
}

std::optional<std::pair<btVector3, int>> ParseSizeText(const QString& text)
{
    static const QRegularExpression kSeparators(QStringLiteral("[,;\\s]+"));
    const QStringList parts = text.trimmed().split(kSeparators, Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > 3)
        return std::nullopt;
    btVector3 size(0, 0, 0);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        size[int(i)] = btScalar(parts[i].toDouble(&ok));
        if (!ok)
            return std::nullopt;
    }
    return std::pair{size, static_cast<int>(parts.size())};
}

CPropertiesPane::CPropertiesPane(Handlers handlers, QWidget* parent)
    : QWidget(parent), m_handlers(std::move(handlers))
{
    auto* layout = new QVBoxLayout(this);
    m_pages = new QStackedWidget(this);
    layout->addWidget(m_pages);

    m_bodyPage = new QWidget(m_pages);
    auto* body = new QFormLayout(m_bodyPage);
    m_name = AddLabel(*body, QStringLiteral("Body:"));
    m_shape = AddLabel(*body, QStringLiteral("Shape:"));
    m_sizes = AddLabel(*body, QStringLiteral("Size:"));
    AddSizeRows(*body);
    struct Row {
        ::BodyField field;
        const char* label;
        bool vector;
    };
    const Row rows[] = {
        {BodyField::Mass, "&Mass (kg):", false},
        {BodyField::Position, "P&osition (m):", true},
        {BodyField::OrientationDegrees, "O&rientation (\u00b0):", true},
        {BodyField::HeadingPitchRoll, "&Heading, pitch, roll (\u00b0):", true},
        {BodyField::LinearVelocity, "&Velocity (m/s):", true},
        {BodyField::AngularVelocity, "&Spin (rad/s):", true},
        {BodyField::Friction, "&Friction:", false},
        {BodyField::Restitution, "R&estitution:", false},
        {BodyField::LinearDamping, "&Linear damping:", false},
        {BodyField::AngularDamping, "&Angular damping:", false},
    };
    for (const Row& row : rows) {
        const ::BodyField field = row.field;
        m_bodyEdits[field] = AddEdit(*body, QString::fromUtf8(row.label), row.vector,
                                     [this, field](const FieldValue& value) {
                                         return m_handlers.editBody
                                                    ? m_handlers.editBody(field, value)
                                                    : std::nullopt;
                                     });
        if (field == BodyField::Friction)
            m_rollingFriction = AddLabel(*body, QStringLiteral("Rolling friction:"));
    }
    m_activation = AddLabel(*body, QStringLiteral("Activation:"));
    m_pages->addWidget(m_bodyPage);

    m_worldPage = new QWidget(m_pages);
    auto* world = new QFormLayout(m_worldPage);
    m_gravity = AddEdit(*world, QStringLiteral("&Gravity (m/s\u00b2):"), true,
                        [this](const FieldValue& value) {
                            return m_handlers.editGravity ? m_handlers.editGravity(value)
                                                          : std::nullopt;
                        });
    m_iterations = AddEdit(*world, QStringLiteral("Solver &iterations:"), false,
                           [this](const FieldValue& value) {
                               return m_handlers.editSolverIterations
                                          ? m_handlers.editSolverIterations(value.x)
                                          : std::nullopt;
                           });
    m_bodies = AddLabel(*world, QStringLiteral("Bodies:"));
    m_awake = AddLabel(*world, QStringLiteral("Awake:"));
    m_constraints = AddLabel(*world, QStringLiteral("Constraints:"));
    m_stepCost = AddLabel(*world, QStringLiteral("Last step:"));
    m_frameCost = AddLabel(*world, QStringLiteral("Last frame:"));
    m_pages->addWidget(m_worldPage);
    m_pages->setCurrentWidget(m_worldPage);

    m_jointPage = new QWidget(m_pages);
    auto* joint = new QFormLayout(m_jointPage);
    m_jointName = AddLabel(*joint, QStringLiteral("Joint:"));
    struct JointRow {
        JointField field;
        const char* label;
        bool vector;
    };
    const JointRow jointRows[] = {
        {JointField::Pivot, "&Pivot (m):", true},
        {JointField::Axis, "A&xis:", true},
        {JointField::LowerLimit, "&Lower limit (rad, m):", false},
        {JointField::UpperLimit, "&Upper limit (rad, m):", false},
        {JointField::MotorSpeed, "Motor &speed (per s):", false},
        {JointField::MotorImpulse, "Motor &impulse (N·s):", false},
        {JointField::Stiffness, "S&tiffness (N/m):", false},
        {JointField::Damping, "&Damping (N·s/m):", false},
        {JointField::BreakingImpulse, "&Breaks at (N·s):", false},
    };
    for (const JointRow& row : jointRows) {
        const JointField field = row.field;
        m_jointEdits[field] = AddEdit(*joint, QString::fromUtf8(row.label), row.vector,
                                      [this, field](const FieldValue& value) {
                                          return m_handlers.editJoint
                                                     ? m_handlers.editJoint(field, value)
                                                     : std::nullopt;
                                      });
    }
    m_pages->addWidget(m_jointPage);

    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("refusal"));
    m_refusal->setWordWrap(true);
    m_refusal->setStyleSheet(QStringLiteral("color: #b00020"));
    m_refusal->hide();
    layout->addWidget(m_refusal);
    layout->addStretch(1);
}

void CPropertiesPane::AddSizeRows(QFormLayout& form)
{
    m_size = new QLineEdit(form.parentWidget());
    m_sizeLabel = new QLabel(QStringLiteral("Si&ze (m):"), form.parentWidget());
    m_sizeLabel->setBuddy(m_size);
    form.addRow(m_sizeLabel, m_size);
    connect(m_size, &QLineEdit::editingFinished, this, [this] {
        if (!m_size->isModified())
            return;
        m_size->setModified(false);
        const auto size = ParseSizeText(m_size->text());
        if (!size) {
            ShowRefusal(m_size, QStringLiteral("Type the sizes as numbers: %1")
                                    .arg(m_size->toolTip()));
            return;
        }
        const std::optional<std::string> refusal =
            m_handlers.editSize ? m_handlers.editSize(size->first, size->second) : std::nullopt;
        ShowRefusal(refusal ? m_size : nullptr, refusal ? QString::fromStdString(*refusal) : QString());
    });
    // Static is mass 0; a static body made to move gets 1 kg, which the
    // mass field then changes.
    m_static = new QCheckBox(QStringLiteral("Static (does not move)"), form.parentWidget());
    form.addRow(QString(), m_static);
    connect(m_static, &QCheckBox::clicked, this, [this](bool checked) {
        const std::optional<std::string> refusal =
            m_handlers.editBody ? m_handlers.editBody(BodyField::Mass, {checked ? 0.0 : 1.0})
                                : std::nullopt;
        ShowRefusal(refusal ? m_bodyEdits.at(BodyField::Mass) : nullptr,
                    refusal ? QString::fromStdString(*refusal) : QString());
    });
}

void CPropertiesPane::ShowSize(const BodyProperties& body, bool otherBody)
{
    const ShapeSize& size = body.size;
    QStringList numbers;
    for (int i = 0; i < size.count; ++i)
        numbers << Scalar(size.values[i]);
    const QString text = numbers.join(QStringLiteral(", "));
    const QString meaning = QString::fromUtf8(size.meaning);
    m_size->setEnabled(size.count > 0);
    if (m_size->toolTip() != meaning && m_refused != m_size)
        m_size->setToolTip(meaning);
    const QString label = size.count > 0
                              ? QStringLiteral("Si&ze (m): %1").arg(meaning)
                              : QStringLiteral("Si&ze (m):");
    if (m_sizeLabel->text() != label)
        m_sizeLabel->setText(label);
    if (otherBody && m_size->text() != text) {
        m_size->setText(text);
        m_size->setCursorPosition(0);
    }
    SetIfIdle(m_size, text, m_refused, m_undone);
    const bool isStatic = body.mass == 0;
    if (m_static->isChecked() != isStatic)
        m_static->setChecked(isStatic);
}

QLabel* CPropertiesPane::AddLabel(QFormLayout& form, const QString& label)
{
    auto* value = new QLabel(form.parentWidget());
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form.addRow(label, value);
    return value;
}

QLineEdit* CPropertiesPane::AddEdit(
    QFormLayout& form, const QString& label, bool vector,
    std::function<std::optional<std::string>(const FieldValue&)> apply)
{
    auto* edit = new QLineEdit(form.parentWidget());
    form.addRow(label, edit);
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, vector, apply] {
        // Leaving an untouched field changes nothing.
        if (edit->isModified())
            Commit(*edit, vector, apply);
    });
    return edit;
}

void CPropertiesPane::Commit(
    QLineEdit& edit, bool vector,
    const std::function<std::optional<std::string>(const FieldValue&)>& apply)
{
    edit.setModified(false);
    const std::optional<FieldValue> value = ParseFieldText(edit.text(), vector);
    if (!value) {
        ShowRefusal(&edit, vector ? QStringLiteral("Type three numbers: x, y, z")
                                  : QStringLiteral("Type a number"));
        return;
    }
    if (const std::optional<std::string> refusal = apply(*value)) {
        ShowRefusal(&edit, QString::fromStdString(*refusal));
        return;
    }
    ShowRefusal(nullptr, {});
}

void CPropertiesPane::ShowRefusal(QLineEdit* edit, const QString& reason)
{
    if (m_refused != nullptr && m_refused != edit) {
        m_refused->setStyleSheet({});
        m_refused->setToolTip({});
    }
    m_refused = edit;
    m_refusal->setText(reason);
    m_refusal->setVisible(edit != nullptr);
    if (edit != nullptr) {
        edit->setStyleSheet(QStringLiteral("QLineEdit { border: 1px solid #b00020; }"));
        edit->setToolTip(reason);
    }
}

QString CPropertiesPane::Refusal() const
{
    return m_refused != nullptr ? m_refusal->text() : QString();
}

bool CPropertiesPane::ShowsBody() const
{
    return m_pages->currentWidget() == m_bodyPage;
}

void CPropertiesPane::ShowBody(const BodyProperties& body, const void* subject)
{
    const bool otherBody = !ShowsBody() || subject != m_subject;
    m_subject = subject;
    if (otherBody)
        ShowRefusal(nullptr, {});
    if (!ShowsBody())
        m_pages->setCurrentWidget(m_bodyPage);
    SetIfChanged(m_name, QString::fromStdString(body.name));
    SetIfChanged(m_shape, QString::fromStdString(body.shape));
    SetIfChanged(m_sizes, QString::fromStdString(body.sizes));
    ShowSize(body, otherBody);
    SetIfChanged(m_rollingFriction, Scalar(body.rollingFriction));
    SetIfChanged(m_activation, QString::fromStdString(body.activation));
    const std::pair<::BodyField, QString> values[] = {
        {BodyField::Mass, body.mass == 0 ? QStringLiteral("0") : Scalar(body.mass)},
        {BodyField::Position, Vector(body.position)},
        {BodyField::OrientationDegrees, Vector(body.orientationDegrees)},
        {BodyField::HeadingPitchRoll, Vector(body.headingPitchRoll)},
        {BodyField::LinearVelocity, Vector(body.linearVelocity)},
        {BodyField::AngularVelocity, Vector(body.angularVelocity)},
        {BodyField::Friction, Scalar(body.friction)},
        {BodyField::Restitution, Scalar(body.restitution)},
        {BodyField::LinearDamping, Scalar(body.linearDamping)},
        {BodyField::AngularDamping, Scalar(body.angularDamping)},
    };
    for (const auto& [field, text] : values) {
        QLineEdit* edit = m_bodyEdits.at(field);
        // Text typed for the body shown before is not this body's.
        if (otherBody && edit->text() != text) {
            edit->setText(text);
            edit->setCursorPosition(0);
        }
        SetIfIdle(edit, text, m_refused, m_undone);
    }
    m_undone = false;
}

void CPropertiesPane::ShowWorld(const WorldProperties& world, double stepMilliseconds,
                                double frameMilliseconds)
{
    if (m_pages->currentWidget() != m_worldPage) {
        ShowRefusal(nullptr, {});
        m_pages->setCurrentWidget(m_worldPage);
    }
    SetIfIdle(m_gravity, Vector(world.gravity), m_refused, m_undone);
    SetIfIdle(m_iterations, QString::number(world.solverIterations), m_refused, m_undone);
    m_undone = false;
    SetIfChanged(m_bodies, QString::number(world.bodies));
    SetIfChanged(m_awake, QString::number(world.awakeBodies));
    SetIfChanged(m_constraints, QString::number(world.constraints));
    SetIfChanged(m_stepCost, QStringLiteral("%1 ms").arg(stepMilliseconds, 0, 'f', 2));
    SetIfChanged(m_frameCost, QStringLiteral("%1 ms").arg(frameMilliseconds, 0, 'f', 2));
}

bool CPropertiesPane::ShowsJoint() const
{
    return m_pages->currentWidget() == m_jointPage;
}

void CPropertiesPane::ShowJoint(JointType type, const JointSettings& joint, const QString& name,
                                const void* subject)
{
    const bool other = !ShowsJoint() || subject != m_subject;
    m_subject = subject;
    if (other)
        ShowRefusal(nullptr, {});
    if (!ShowsJoint())
        m_pages->setCurrentWidget(m_jointPage);
    SetIfChanged(m_jointName, name);
    const std::pair<JointField, QString> values[] = {
        {JointField::Pivot, Vector(joint.pivot)},
        {JointField::Axis, Vector(joint.axis)},
        {JointField::LowerLimit, Scalar(joint.lower)},
        {JointField::UpperLimit, Scalar(joint.upper)},
        {JointField::MotorSpeed, Scalar(joint.motorSpeed)},
        {JointField::MotorImpulse, Scalar(joint.motorImpulse)},
        {JointField::Stiffness, Scalar(joint.stiffness)},
        {JointField::Damping, Scalar(joint.damping)},
        {JointField::BreakingImpulse, Scalar(joint.breakingImpulse)},
    };
    for (const auto& [field, text] : values) {
        QLineEdit* edit = m_jointEdits.at(field);
        edit->setEnabled(JointHasField(type, field));
        if (other && edit->text() != text) {
            edit->setText(text);
            edit->setCursorPosition(0);
        }
        SetIfIdle(edit, text, m_refused, m_undone);
    }
    m_undone = false;
}
