#include "platform/textomultilinea.h"

#include "platform/raton.h"

#include <QKeyEvent>
#include <QTextDocument>

TextoMultilinea::TextoMultilinea(QWidget* padre) : QPlainTextEdit(padre) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

QString TextoMultilinea::ACRLF(QString texto) {
    texto.replace(QChar::ParagraphSeparator, u'\n');
    texto.replace(QChar::LineSeparator, u'\n');
    texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    texto.replace(u'\r', u'\n');
    texto.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return texto;
}

// The document's own characters: toPlainText() would turn a no-break space
// into a blank, so a statement or a script would differ from what was typed.
QString TextoMultilinea::Text() const { return ACRLF(document()->toRawText()); }

void TextoMultilinea::EstableceText(const QString& texto) {
    QString t = texto;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    setPlainText(t);
}

QString TextoMultilinea::SelText() const { return ACRLF(textCursor().selectedText()); }

void TextoMultilinea::keyPressEvent(QKeyEvent* e) {
    if (KeyDown) {
        int codigo = e->key();
        if (codigo >= Qt::Key_F1 && codigo <= Qt::Key_F24) codigo = 112 + (codigo - Qt::Key_F1);
        KeyDown(codigo, TeclasRaton(e->modifiers()));
        if (codigo == 0) return;
    }
    QPlainTextEdit::keyPressEvent(e);
}
