#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "MessageTable.h"

class QPushButton;
class MessageRow;

// The "Messages" window: the stored message list, paged six rows at a time. In
// edit mode a row click opens the message editor; in pick mode it picks the row and
// closes. The list is loaded when the window opens and written on every close.
class Tflistakomunikatow : public QDialog {
    Q_OBJECT

  public:
    enum class Mode { Edit, Pick };

    Tflistakomunikatow(Station& station, Mode mode, QWidget* parent = nullptr);

    void LoadMessages();
    const MessageTable& table() const { return table_; }

    bool picked() const { return picked_; }
    const StoredMessage& picked_message() const { return picked_message_; }

    // The message editor; tests put their own here.
    std::function<bool(QString& line1, QString& line2, Colour& background, Colour& font)>
        edit_message;

  public slots:
    void Button1Click();              // "CLOSE"
    void Button2Click();              // "ADD NEW"
    void Button3Click();              // "NEXT"
    void Button4Click();              // "PREV"
    void Button5Click();              // "DEL SELECTED"
    void DBText1Click(int page_row);  // click on row 0..5 of the page

    void done(int result) override;

  protected:
    void wheelEvent(QWheelEvent* event) override;

  private:
    void ShowRows();
    // Writes the list; on failure asks the operator whether to close anyway.
    bool SaveOrAsk();

    Station& station_;
    Mode mode_;
    MessageTable table_;
    bool picked_ = false;
    StoredMessage picked_message_{{}, {}, 0, 0, 0};  // empty and zero until picked
    std::array<MessageRow*, MessageTable::kPageRows> rows_{};
};

// The launcher's "Messages": the list in edit mode, modal.
void ShowMessageList(Station& station, QWidget* parent = nullptr);

// The list in pick mode, modal. Gives back the picked message (empty lines and zero
// colours when nothing was picked) and returns whether one was picked.
bool PickMessage(Station& station, QString& line1, QString& line2, Colour& background, Colour& font,
                 QWidget* parent = nullptr);
