// SPDX-License-Identifier: MIT
#include "rtfruns.h"

#include "rtfreader.h"
#include "rtfwriter.h"

namespace RtfRuns {

QList<Run> textRuns(const QString &document)
{
    if (!Rtf::isRichText(document))
        return {Run{0, document.size(), document, 0, false}};

    QList<Run> runs;
    std::optional<Run> run;
    auto close = [&] {
        if (run && !run->text.isEmpty())
            runs.append(*run);
        run.reset();
    };
    Rtf::Reader reader(document, Rtf::Reading::Replacing);
    while (const std::optional<Rtf::Token> token = reader.next()) {
        switch (token->kind) {
        case Rtf::Token::Text:
            // Text counts only inside the document's group, not after its last brace.
            if (reader.depth() == 0)
                break;
            if (!run)
                run = Run{token->begin, token->end, QString(), reader.unicodeSkip(), true};
            run->text += token->character;
            run->end = token->end;
            break;
        case Rtf::Token::Hyphen:
            if (run)
                run->end = token->end; // it stays inside its word
            break;
        default:
            close();
        }
    }
    close();
    return runs;
}

QString rewriteRuns(const QString &document, const QList<Run> &runs,
                    const std::function<std::optional<QString>(const Run &)> &edit)
{
    QString out;
    out.reserve(document.size() + 16);
    qsizetype at = 0;
    for (const Run &run : runs) {
        const std::optional<QString> text = edit(run);
        if (!text)
            continue;
        out += QStringView(document).mid(at, run.begin - at);
        out += run.rich ? Rtf::escape(*text, run.unicodeSkip, Rtf::CarriageReturn::Paragraph) : *text;
        at = run.end;
    }
    out += QStringView(document).mid(at);
    return out;
}

} // namespace RtfRuns
