#pragma once
// The text of a memo as the user sees it: lines separated by '\n' and
// non-breaking spaces kept (QPlainTextEdit::toPlainText turns them into
// blanks, which would change a page's bytes on the way through).
#include <QPlainTextEdit>
#include <QString>
#include <QTextDocument>

namespace tv {

inline QString MemoText(const QPlainTextEdit* memo) {
    QString text = memo->document()->toRawText();
    for (QChar& c : text)
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = QLatin1Char('\n');
    return text;
}

}  // namespace tv
