// SPDX-License-Identifier: MIT
#include "rtftext.h"

#include "cp1252.h"

#include <QList>

namespace RtfText {

namespace {
// Destinations whose text is not part of the document's text.
bool skippedDestination(QStringView word)
{
    static const char *const names[] = {"fonttbl", "colortbl", "stylesheet", "info", "pict",
                                        "header", "footer", "headerl", "headerr", "footerl",
                                        "footerr", "footnote", "object", "listtable",
                                        "listoverridetable", "generator", "themedata",
                                        "datastore", "latentstyles", "xmlnstbl", "rsidtbl"};
    for (const char *n : names)
        if (word == QLatin1String(n))
            return true;
    return false;
}
} // namespace

QString fromPlainText(const QString &text)
{
    QString out = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fnil Sans;}}\\f0 ");
    out.reserve(out.size() + text.size() + 16);
    for (QChar c : text) {
        const char16_t u = c.unicode();
        switch (u) {
        case u'\\': out += u"\\\\"; break;
        case u'{': out += u"\\{"; break;
        case u'}': out += u"\\}"; break;
        case u'\n': out += u"\\par "; break;
        case u'\t': out += u"\\tab "; break;
        default:
            if (u >= 0x20 && u < 0x7F) {
                out += c;
            } else {
                // \uN takes a signed 16-bit number; "?" is the fallback that
                // readers without Unicode show (\uc1).
                out += QStringLiteral("\\u%1?").arg(qint16(u));
            }
        }
    }
    out += u'}';
    return out;
}

std::optional<QString> toPlainText(const QString &rtf)
{
    if (!rtf.startsWith(QLatin1String("{\\rtf")))
        return std::nullopt;
    struct State
    {
        bool skip = false;
        int uc = 1;
    };
    QList<State> stack{State{}};
    QString out;
    int pendingSkip = 0; // fallback characters still to drop after \uN
    const qsizetype n = rtf.size();
    qsizetype i = 0;
    bool groupStart = false;
    auto put = [&](QChar c) {
        if (pendingSkip > 0) {
            --pendingSkip;
            return;
        }
        if (!stack.last().skip)
            out += c;
    };
    while (i < n) {
        const QChar c = rtf.at(i);
        if (c == u'{') {
            stack.append(stack.last());
            groupStart = true;
            pendingSkip = 0;
            ++i;
            continue;
        }
        if (c == u'}') {
            if (stack.size() > 1)
                stack.removeLast();
            groupStart = false;
            pendingSkip = 0;
            ++i;
            continue;
        }
        if (c == u'\r' || c == u'\n') { // raw line breaks carry no text in RTF
            ++i;
            continue;
        }
        if (c != u'\\') {
            put(c);
            groupStart = false;
            ++i;
            continue;
        }
        // A control word or symbol.
        ++i;
        if (i >= n)
            break;
        const QChar s = rtf.at(i);
        if (!s.isLetter()) {
            ++i;
            const bool wasStart = groupStart;
            groupStart = false;
            switch (s.unicode()) {
            case u'\\': case u'{': case u'}': put(s); break;
            case u'~': put(QChar(0x00A0)); break;
            case u'_': put(QChar(0x2011)); break;
            case u'-': break; // optional hyphen
            case u'*':
                if (wasStart)
                    stack.last().skip = true; // an ignorable destination
                break;
            case u'\'': {
                if (i + 2 <= n) {
                    bool ok = false;
                    const int b = rtf.mid(i, 2).toInt(&ok, 16);
                    i += 2;
                    if (ok)
                        put(Cp1252::toChar(uchar(b)));
                }
                break;
            }
            case u'\r': case u'\n': put(u'\n'); break; // "\" before a line break is \par
            default: break;
            }
            continue;
        }
        const qsizetype wordStart = i;
        while (i < n && rtf.at(i).isLetter() && rtf.at(i).unicode() < 0x80)
            ++i;
        const QStringView word = QStringView(rtf).mid(wordStart, i - wordStart);
        bool hasParam = false;
        int param = 0;
        const qsizetype numStart = i;
        if (i < n && (rtf.at(i) == u'-' || rtf.at(i).isDigit())) {
            ++i;
            while (i < n && rtf.at(i).isDigit())
                ++i;
            param = QStringView(rtf).mid(numStart, i - numStart).toInt(&hasParam);
        }
        if (i < n && rtf.at(i) == u' ')
            ++i; // the delimiter belongs to the control word
        const bool wasStart = groupStart;
        groupStart = false;
        if (wasStart && skippedDestination(word)) {
            stack.last().skip = true;
            continue;
        }
        if (word == u"par" || word == u"line") {
            put(u'\n');
        } else if (word == u"tab") {
            put(u'\t');
        } else if (word == u"uc" && hasParam) {
            stack.last().uc = qMax(0, param);
        } else if (word == u"u" && hasParam) {
            const char16_t unit = char16_t(param < 0 ? param + 65536 : param);
            if (!stack.last().skip && pendingSkip == 0)
                out += QChar(unit);
            pendingSkip = stack.last().uc;
        } else if (word == u"emdash") {
            put(QChar(0x2014));
        } else if (word == u"endash") {
            put(QChar(0x2013));
        } else if (word == u"bullet") {
            put(QChar(0x2022));
        } else if (word == u"lquote") {
            put(QChar(0x2018));
        } else if (word == u"rquote") {
            put(QChar(0x2019));
        } else if (word == u"ldblquote") {
            put(QChar(0x201C));
        } else if (word == u"rdblquote") {
            put(QChar(0x201D));
        }
    }
    return out;
}

} // namespace RtfText
