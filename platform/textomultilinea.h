#pragma once
// A multi-line text box. Its text reaches the rest of the program with CR LF
// line ends, whatever the widget keeps inside, and text set by the program
// may use CR LF, CR or LF.

#include <QPlainTextEdit>

#include <functional>

class TextoMultilinea : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextoMultilinea(QWidget* padre = nullptr);

    QString Text() const;
    void EstableceText(const QString& texto);
    // The selected part, with CR LF between its lines ("" when none).
    QString SelText() const;

    // Key-down handler with the key code (as the desktop numbers keys, F5
    // is 116) and the shift state; setting the code to 0 swallows the key.
    std::function<void(int& KeyCode, int Shift)> KeyDown;

    static QString ACRLF(QString texto);

protected:
    void keyPressEvent(QKeyEvent* e) override;
};
