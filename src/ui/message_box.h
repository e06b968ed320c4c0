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
    enum class Icon { Information, Warning };

    // A message: the described text and caption, and beneath them what the
    // program adds (why something failed). Failure boxes warn.
    struct Content {
        QString text;
        QString caption;
        QString informativeText;
        Icon icon = Icon::Information;
    };

    // A test handler returns the answer of a question (true = Yes); its
    // value is ignored for a message.
    using Handler = std::function<bool(Kind kind, const QString& text, const QString& caption)>;
    // The same with everything the box shows.
    using DetailedHandler = std::function<bool(Kind kind, const Content& content)>;

    // A modal box with an OK button. An empty caption shows the program's
    // name, as a box without a caption of its own does.
    static void show(QWidget* parent, const QString& text, const QString& caption);
    static void show(QWidget* parent, const Content& content);
    // A modal question with Yes and No; true only for Yes.
    static bool ask(QWidget* parent, const QString& text, const QString& caption);

    // Replace the real boxes until reset with an empty handler (either call).
    static void setTestHandler(Handler handler);
    static void setDetailedTestHandler(DetailedHandler handler);
};

} // namespace zelvon::ui
