// SPDX-License-Identifier: MIT
// The dialog the GUI shows for the run's two questions: title, icon, buttons, default.
#include "prompt.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QTextDocument>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

namespace {
enum class Reply { ClickOk, ClickYes, ClickNo, PressEnter, PressEscape };

struct Seen
{
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::Warning;
    Qt::TextFormat format = Qt::RichText;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};
} // namespace

Q_DECLARE_METATYPE(Prompt::Buttons)
Q_DECLARE_METATYPE(Prompt::Answer)
Q_DECLARE_METATYPE(Reply)

class TestPrompt : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialog_data();
    void dialog();
    void cleanup() { QVERIFY(QApplication::topLevelWidgets().isEmpty()); }
};

void TestPrompt::dialog_data()
{
    using B = QMessageBox::StandardButton;
    QTest::addColumn<QString>("text");
    QTest::addColumn<Prompt::Buttons>("buttons");
    QTest::addColumn<Reply>("reply");
    QTest::addColumn<QList<B>>("shown");
    QTest::addColumn<B>("defaultButton");
    QTest::addColumn<Prompt::Answer>("answer");

    const QList<B> ok{QMessageBox::Ok};
    const QList<B> yesNo{QMessageBox::Yes, QMessageBox::No};
    const QString notice = QStringLiteral("You must click Apply to save your settings, then you can click Replace.");
    const QString question = QStringLiteral("Are you SURE you want to replace all occurrences of '' with 'x'");
    // Typed texts are shown as typed, never as markup.
    const QString markup = QStringLiteral("Are you SURE you want to replace all occurrences of '<b>Acme</b>' with '&amp;'");
    QTest::newRow("notice-ok") << notice << Prompt::Buttons::Ok << Reply::ClickOk << ok << B::NoButton << Prompt::Answer::Ok;
    QTest::newRow("notice-escape") << notice << Prompt::Buttons::Ok << Reply::PressEscape << ok << B::NoButton
                                   << Prompt::Answer::Ok;
    QTest::newRow("confirm-yes") << question << Prompt::Buttons::YesNo << Reply::ClickYes << yesNo << B::Yes << Prompt::Answer::Yes;
    QTest::newRow("confirm-no") << question << Prompt::Buttons::YesNo << Reply::ClickNo << yesNo << B::Yes << Prompt::Answer::No;
    QTest::newRow("confirm-enter-is-yes") << question << Prompt::Buttons::YesNo << Reply::PressEnter << yesNo << B::Yes
                                          << Prompt::Answer::Yes;
    QTest::newRow("confirm-escape-is-no") << question << Prompt::Buttons::YesNo << Reply::PressEscape << yesNo << B::Yes
                                          << Prompt::Answer::No;
    QTest::newRow("confirm-markup-as-typed") << markup << Prompt::Buttons::YesNo << Reply::ClickNo << yesNo << B::Yes
                                             << Prompt::Answer::No;
}

void TestPrompt::dialog()
{
    QFETCH(QString, text);
    QFETCH(Prompt::Buttons, buttons);
    QFETCH(Reply, reply);
    QFETCH(QList<QMessageBox::StandardButton>, shown);
    QFETCH(QMessageBox::StandardButton, defaultButton);
    QFETCH(Prompt::Answer, answer);

    setPrompt(nullptr);
    Seen seen;
    bool answered = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || answered)
            return;
        answered = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.format = box->textFormat();
        for (QAbstractButton *button : box->buttons())
            seen.buttons.append(box->standardButton(button));
        if (box->defaultButton())
            seen.defaultButton = box->standardButton(box->defaultButton());
        switch (reply) {
        case Reply::ClickOk:
            QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            break;
        case Reply::ClickYes:
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
            break;
        case Reply::ClickNo:
            QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
            break;
        case Reply::PressEnter:
            QTest::keyClick(box, Qt::Key_Return);
            break;
        case Reply::PressEscape:
            QTest::keyClick(box, Qt::Key_Escape);
            break;
        }
    });
    // A miss must not hang the suite: close whatever is left after a while.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget *box = QApplication::activeModalWidget())
            box->close();
    });
    poll.start();
    guard.start(5000);

    const Prompt::Answer got = prompt().ask(nullptr, text, buttons);

    QVERIFY2(answered, "no message box was shown");
    QCOMPARE(seen.title, QStringLiteral("Quenlock"));
    QCOMPARE(seen.text, text);
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QVERIFY2(seen.format == Qt::PlainText || (seen.format == Qt::AutoText && !Qt::mightBeRichText(text)),
             "the box would show the typed text as markup");
    std::sort(seen.buttons.begin(), seen.buttons.end());
    std::sort(shown.begin(), shown.end());
    QCOMPARE(seen.buttons, shown);
    if (defaultButton != QMessageBox::NoButton)
        QCOMPARE(seen.defaultButton, defaultButton);
    QCOMPARE(got, answer);
}

QTEST_MAIN(TestPrompt)
#include "tst_prompt.moc"
