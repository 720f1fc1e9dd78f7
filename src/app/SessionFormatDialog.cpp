#include "SessionFormatDialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

#include "ColourSwatch.h"

namespace {

constexpr int kLineLength = 12;  // what a dashboard line shows

QDoubleSpinBox* SecondsBox(QWidget* parent, const QString& name, qint32 centiseconds) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setDecimals(2);
    box->setRange(0, 3600);
    box->setSuffix(QStringLiteral(" s"));
    box->setSpecialValueText(QStringLiteral("none"));
    box->setValue(centiseconds / 100.0);
    return box;
}

qint32 Centiseconds(const QDoubleSpinBox* box) {
    return qint32(qRound(box->value() * 100));
}

void PickColour(ColourSwatch* swatch) {
    const QColor chosen = QColorDialog::getColor(ToQColor(swatch->colour()), swatch->window());
    if (chosen.isValid()) {
        swatch->setColour(FromQColor(chosen));
    }
}

}  // namespace

SessionFormatDialog::SessionFormatDialog(const FormatSettings& s, QWidget* parent)
    : QDialog(parent), minutes_(s.minutes), laps_(s.laps) {
    setObjectName(QStringLiteral("SessionFormat"));
    setWindowTitle(QStringLiteral("Session format"));
    auto* grid = new QGridLayout(this);

    grid->addWidget(new QLabel(QStringLiteral("Session ends"), this), 0, 0);
    length_ = new QComboBox(this);
    length_->setObjectName(QStringLiteral("FormatLength"));
    length_->addItems({QStringLiteral("by END SESSION only"), QStringLiteral("after minutes"),
                       QStringLiteral("after laps")});
    length_->setCurrentIndex(int(s.length));
    amount_ = new QSpinBox(this);
    amount_->setObjectName(QStringLiteral("FormatAmount"));
    amount_->setRange(1, 9999);
    grid->addWidget(length_, 0, 1);
    grid->addWidget(amount_, 0, 2);
    ShowLengthUnit();
    connect(length_, &QComboBox::currentIndexChanged, this, [this] { ShowLengthUnit(); });
    connect(amount_, &QSpinBox::valueChanged, this, [this](int value) {
        (length_->currentIndex() == int(SessionLength::kLaps) ? laps_ : minutes_) = value;
    });

    grid->addWidget(new QLabel(QStringLiteral("Ranking"), this), 1, 0);
    scoring_ = new QComboBox(this);
    scoring_->setObjectName(QStringLiteral("FormatScoring"));
    scoring_->addItems(
        {QStringLiteral("best lap"), QStringLiteral("race: most laps, then first across")});
    scoring_->setCurrentIndex(int(s.scoring));
    grid->addWidget(scoring_, 1, 1, 1, 2);

    grid->addWidget(new QLabel(QStringLiteral("Clock starts"), this), 2, 0);
    start_ = new QComboBox(this);
    start_->setObjectName(QStringLiteral("FormatStart"));
    start_->addItems({QStringLiteral("at \"Session start\""),
                      QStringLiteral("at the first crossing (rolling start)")});
    start_->setCurrentIndex(s.rolling_start ? 1 : 0);
    grid->addWidget(start_, 2, 1, 1, 2);

    window_on_ = new QCheckBox(QStringLiteral("Radio laps count only between"), this);
    window_on_->setObjectName(QStringLiteral("FormatWindowOn"));
    window_on_->setChecked(s.window.on);
    window_min_ = SecondsBox(this, QStringLiteral("FormatWindowMin"), s.window.min_time);
    window_max_ = SecondsBox(this, QStringLiteral("FormatWindowMax"), s.window.max_time);
    grid->addWidget(window_on_, 3, 0);
    grid->addWidget(window_min_, 3, 1);
    grid->addWidget(window_max_, 3, 2);

    auto* group = new QGroupBox(QStringLiteral(" Automatic messages to radio karts "), this);
    auto* messages = new QGridLayout(group);
    const char* heads[] = {"", "Line 1", "Line 2", "Background", "Text"};
    for (int c = 0; c < 5; ++c) {
        messages->addWidget(new QLabel(QString::fromLatin1(heads[c]), group), 0, c);
    }
    messages_[0] = AddMessageRow(QStringLiteral("LastLap"), s.last_lap);
    messages_[1] = AddMessageRow(QStringLiteral("Finish"), s.finish);
    messages_[2] = AddMessageRow(QStringLiteral("BestLap"), s.best_lap);
    const char* names[] = {"Last lap", "Finish", "Best lap"};
    for (int r = 0; r < 3; ++r) {
        MessageRow& row = messages_[size_t(r)];
        row.on->setText(QString::fromLatin1(names[r]));
        const QList<QWidget*> cells = {row.on, row.line1, row.line2, row.background,
                                       row.font_colour};
        for (int c = 0; c < cells.size(); ++c) {
            cells[c]->setParent(group);
            messages->addWidget(cells[c], r + 1, c);
        }
    }
    messages->addWidget(
        new QLabel(QStringLiteral("%P: the position, %T: the lap time; 12 characters a line"),
                   group),
        4, 0, 1, 5);
    grid->addWidget(group, 4, 0, 1, 3);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, 5, 0, 1, 3);
}

SessionFormatDialog::MessageRow SessionFormatDialog::AddMessageRow(const QString& name,
                                                                   const AutoMessage& message) {
    MessageRow r;
    r.on = new QCheckBox(this);
    r.on->setObjectName(QStringLiteral("Format%1On").arg(name));
    r.on->setChecked(message.on);
    r.line1 = new QLineEdit(message.line1, this);
    r.line2 = new QLineEdit(message.line2, this);
    for (QLineEdit* line : {r.line1, r.line2}) {
        line->setMaxLength(kLineLength);
        line->setMinimumWidth(line->fontMetrics().horizontalAdvance(QString(kLineLength, 'W')));
    }
    r.line1->setObjectName(QStringLiteral("Format%1Line1").arg(name));
    r.line2->setObjectName(QStringLiteral("Format%1Line2").arg(name));
    r.background = new ColourSwatch(this);
    r.font_colour = new ColourSwatch(this);
    r.background->setObjectName(QStringLiteral("Format%1Background").arg(name));
    r.font_colour->setObjectName(QStringLiteral("Format%1Text").arg(name));
    r.background->setColour(message.background);
    r.font_colour->setColour(message.font_colour);
    for (ColourSwatch* swatch : {r.background, r.font_colour}) {
        swatch->setMinimumSize(48, 24);
        connect(swatch, &ColourSwatch::clicked, this, [swatch] { PickColour(swatch); });
    }
    return r;
}

void SessionFormatDialog::ShowLengthUnit() {
    const auto length = SessionLength(length_->currentIndex());
    amount_->setEnabled(length != SessionLength::kOpen);
    const bool laps = length == SessionLength::kLaps;
    const int value = laps ? laps_ : minutes_;
    amount_->setSuffix(laps ? QStringLiteral(" laps") : QStringLiteral(" min"));
    amount_->setValue(value);
}

FormatSettings SessionFormatDialog::settings() const {
    FormatSettings s;
    s.length = SessionLength(length_->currentIndex());
    s.minutes = minutes_;
    s.laps = laps_;
    s.scoring = Scoring(scoring_->currentIndex());
    s.rolling_start = start_->currentIndex() == 1;
    s.window = {window_on_->isChecked(), Centiseconds(window_min_), Centiseconds(window_max_)};
    AutoMessage* targets[] = {&s.last_lap, &s.finish, &s.best_lap};
    for (size_t i = 0; i < messages_.size(); ++i) {
        const MessageRow& row = messages_[i];
        *targets[i] = {row.on->isChecked(), row.line1->text(), row.line2->text(),
                       row.background->colour(), row.font_colour->colour()};
    }
    return s;
}

bool ShowSessionFormat(const QString& settings_path, QWidget* parent) {
    SessionFormatDialog dialog(LoadFormatSettings(settings_path), parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    QString error;
    if (!SaveFormatSettings(settings_path, dialog.settings(), &error)) {
        QMessageBox::critical(parent, QStringLiteral("Session format"), error);
        return false;
    }
    return true;
}

QPushButton* AddSessionFormatButton(QWidget* launcher, const QString& settings_path) {
    auto* button = new QPushButton(QStringLiteral("Session\nformat"), launcher);
    button->setObjectName(QStringLiteral("ButtonSessionFormat"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    button->setFont(font);
    // Right of the call-out check boxes (which end at 313), above "Session start"
    // (which begins at 48).
    button->setGeometry(316, 3, 62, 42);
    QObject::connect(button, &QPushButton::clicked, launcher,
                     [launcher, settings_path] { ShowSessionFormat(settings_path, launcher); });
    return button;
}
