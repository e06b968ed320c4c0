#pragma once
// Every message box and Yes/No question of the window goes through here, so
// tests can answer them without a modal loop: with a test handler set, the
// handler records the box and gives the answer instead of a QMessageBox.

#include <QString>

#include <functional>

class QWidget;

namespace zelvon::ui {

class MessageBox {
public:
    enum class Kind { Message, Question };
    // A test handler returns the answer of a question (true = Yes); its
    // value is ignored for a message.
    using Handler = std::function<bool(Kind kind, const QString& text, const QString& caption)>;

    // A modal box with an OK button. An empty caption shows the program's
    // name, as a box without a caption of its own does.
    static void show(QWidget* parent, const QString& text, const QString& caption);
    // A modal question with Yes and No; true only for Yes.
    static bool ask(QWidget* parent, const QString& text, const QString& caption);

    // Replaces the real boxes until reset with an empty handler.
    static void setTestHandler(Handler handler);
};

} // namespace zelvon::ui
