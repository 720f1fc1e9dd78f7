#include "Tflistakomunikatow.h"

#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "MessageRow.h"
#include "TfNowyTekst.h"
#include "WindowLook.h"

namespace {

// 757 x 675 outside with an ordinary frame.
constexpr int kClientWidth = 741;
constexpr int kClientHeight = 636;
constexpr int kButtonHeight = 45;

QPushButton* MakeListButton(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setFont(ArialPixels(21));
    button->setMinimumSize(190, kButtonHeight);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

Tflistakomunikatow::Tflistakomunikatow(Station& station, Mode mode, QWidget* parent)
    : QDialog(parent), station_(station), mode_(mode) {
    setObjectName(QStringLiteral("flistakomunikatow"));
    setWindowTitle(QStringLiteral("Messages"));
    FillBackground(this, MessageRow::kIdleMargin);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);

    auto* top_bar = new QHBoxLayout();
    auto* button2 = MakeListButton(this, "Button2", "ADD NEW");
    auto* button5 = MakeListButton(this, "Button5", "DEL SELECTED");
    top_bar->addWidget(button2);
    top_bar->addStretch();
    top_bar->addWidget(button5);
    layout->addLayout(top_bar);

    auto* grid = new QWidget(this);
    grid->setObjectName(QStringLiteral("DBCtrlGrid1"));
    auto* grid_layout = new QVBoxLayout(grid);
    grid_layout->setContentsMargins(0, 0, 0, 0);
    grid_layout->setSpacing(0);
    for (int i = 0; i < MessageTable::kPageRows; ++i) {
        auto* row = new MessageRow(grid);
        row->setObjectName(QStringLiteral("Row%1").arg(i + 1));
        grid_layout->addWidget(row);
        connect(row, &MessageRow::clicked, this, [this, i] { DBText1Click(i); });
        rows_[size_t(i)] = row;
    }
    grid_layout->addStretch();
    layout->addWidget(grid, 1);

    auto* bottom_bar = new QHBoxLayout();
    auto* button4 = MakeListButton(this, "Button4", "PREV");
    auto* button1 = MakeListButton(this, "Button1", "CLOSE");
    auto* button3 = MakeListButton(this, "Button3", "NEXT");
    bottom_bar->addWidget(button4);
    bottom_bar->addStretch();
    bottom_bar->addWidget(button1);
    bottom_bar->addStretch();
    bottom_bar->addWidget(button3);
    layout->addLayout(bottom_bar);

    connect(button1, &QPushButton::clicked, this, &Tflistakomunikatow::Button1Click);
    connect(button2, &QPushButton::clicked, this, &Tflistakomunikatow::Button2Click);
    connect(button3, &QPushButton::clicked, this, &Tflistakomunikatow::Button3Click);
    connect(button4, &QPushButton::clicked, this, &Tflistakomunikatow::Button4Click);
    connect(button5, &QPushButton::clicked, this, &Tflistakomunikatow::Button5Click);

    resize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    edit_message = [this](QString& line1, QString& line2, Colour& background, Colour& font) {
        return EditMessage(line1, line2, background, font, this);
    };
    ShowRows();
}

void Tflistakomunikatow::LoadMessages() {
    table_.Reset(::LoadMessages(station_));
    ShowRows();
}

void Tflistakomunikatow::ShowRows() {
    for (int i = 0; i < MessageTable::kPageRows; ++i) {
        MessageRow* row = rows_[size_t(i)];
        const int index = table_.first_visible() + i;
        if (index >= table_.count()) {
            row->setVisible(false);
            continue;
        }
        row->Show(table_.row(index), index == table_.current());
        row->setVisible(true);
    }
}

void Tflistakomunikatow::Button1Click() {
    picked_ = false;
    reject();
}

void Tflistakomunikatow::Button2Click() {
    QString line1;
    QString line2;
    Colour background = Colours::kBlack;
    Colour font = Colours::kWhite;
    if (!edit_message(line1, line2, background, font)) {
        return;
    }
    if (IsBlankLine(line1) && IsBlankLine(line2)) {
        return;
    }
    table_.Append(StoredMessage{line1, line2, background, font, 1});
    ShowRows();
}

void Tflistakomunikatow::Button3Click() {
    table_.Step(MessageTable::kPageRows);
    ShowRows();
}

void Tflistakomunikatow::Button4Click() {
    table_.Step(-MessageTable::kPageRows);
    ShowRows();
}

void Tflistakomunikatow::Button5Click() {
    table_.DeleteCurrent();
    ShowRows();
}

void Tflistakomunikatow::DBText1Click(int page_row) {
    table_.SetCurrent(table_.first_visible() + page_row);
    ShowRows();
    if (!table_.HasCurrent()) {
        return;
    }
    StoredMessage row = table_.current_row();
    if (mode_ == Mode::Pick) {
        picked_message_ = row;
        picked_ = true;
        accept();
        return;
    }
    QString line1 = row.linia1;
    QString line2 = row.linia2;
    if (!edit_message(line1, line2, row.kolortla, row.kolorfont)) {
        return;
    }
    row.linia1 = line1;
    row.linia2 = line2;
    table_.UpdateCurrent(row);
    ShowRows();
}

void Tflistakomunikatow::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) {
        table_.Step(-notches);
        ShowRows();
    }
    event->accept();
}

void Tflistakomunikatow::done(int result) {
    if (!SaveOrAsk()) {
        picked_ = false;  // stays open with the list in memory; nothing has been handed out
        return;
    }
    QDialog::done(result);
}

bool Tflistakomunikatow::SaveOrAsk() {
    for (;;) {
        QString error;
        if (SaveMessages(station_, table_.rows(), &error)) {
            return true;
        }
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Messages"),
                        QStringLiteral("The message list could not be saved to %1.")
                            .arg(QDir::toNativeSeparators(MessagesPath(station_))),
                        QMessageBox::Retry | QMessageBox::Discard | QMessageBox::Cancel, this);
        box.setObjectName(QStringLiteral("SaveFailedBox"));
        box.setInformativeText(
            error +
            QStringLiteral("\n\nRetry once the file can be written, Cancel to keep the list "
                           "open, or Discard to close without saving."));
        box.setDefaultButton(QMessageBox::Retry);
        const int answer = box.exec();
        if (answer == QMessageBox::Discard) {
            return true;
        }
        if (answer != QMessageBox::Retry) {
            return false;
        }
    }
}

void ShowMessageList(Station& station, QWidget* parent) {
    Tflistakomunikatow window(station, Tflistakomunikatow::Mode::Edit, parent);
    window.LoadMessages();
    window.exec();
}

bool PickMessage(Station& station, QString& line1, QString& line2, Colour& background, Colour& font,
                 QWidget* parent) {
    Tflistakomunikatow window(station, Tflistakomunikatow::Mode::Pick, parent);
    window.LoadMessages();
    window.exec();
    const StoredMessage& picked = window.picked_message();
    line1 = picked.linia1;
    line2 = picked.linia2;
    background = picked.kolortla;
    font = picked.kolorfont;
    return window.picked();
}
