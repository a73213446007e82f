// The application's message box: result codes, sizes, wrapping, placement.
#include "testsupport.h"

#include "widgetkit/qjxbasebutton.h"
#include "widgetkit/qjxmessagebox.h"
#include "widgetkit/qprojectconfig.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// Runs an action on the modal box once it is up.
void whenModal(std::function<void(QJXMessageBox *)> action)
{
    QTimer::singleShot(50, [action] {
        auto *box = qobject_cast<QJXMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            whenModal(action);
            return;
        }
        action(box);
    });
}

void clickButton(QJXMessageBox *box, int index)
{
    QTest::mouseClick(box->buttons().at(index), Qt::LeftButton);
}

int width(const QFontMetrics &m, const QString &s)
{
    return m.boundingRect(QRect(), Qt::TextSingleLine, s).width();
}

} // namespace

class MessageBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QProjectConfig *config = QProjectConfig::getProjectConfig();
        config->setProjectName(QStringLiteral("Velmora Audio Recorder"));
        config->setTransparentMargins(8);
        config->setDlgTopAndBottom(22, 50);
        QFont font(QStringLiteral("Tahoma"));
        font.setPixelSize(12);
        config->setFont(font);
    }

    void cleanup() { QJXMessageBox::setOptionCallback(nullptr); }

    void buttonsEndTheBoxWithTheirCodes_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("expected");
        QTest::newRow("ok") << 1 << 0 << 0x400;
        QTest::newRow("cancel") << 2 << 0 << 0x400000;
        QTest::newRow("yes") << 4 << 0 << 0x4000;
        QTest::newRow("no") << 4 << 1 << 0x10000;
        QTest::newRow("close button") << 1 << -1 << 0x200000;
        QTest::newRow("escape") << 4 << -2 << 0;
    }
    void buttonsEndTheBoxWithTheirCodes()
    {
        QFETCH(int, style);
        QFETCH(int, button);
        QFETCH(int, expected);
        whenModal([button](QJXMessageBox *box) {
            if (button >= 0)
                clickButton(box, button);
            else if (button == -1)
                QTest::mouseClick(box->closeButton(), Qt::LeftButton);
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        QCOMPARE(QJXMessageBox::ShowMessage(nullptr, QStringLiteral("Saved."), QString(),
                                            QJXMessageBox::Success, style),
                 expected);
    }

    void stylesWithoutButtonsEndOnlyByCloseOrEscape()
    {
        for (int style : { 0, 3, 5 }) {
            QJXMessageBox box;
            box.setButtonStyle(style);
            QVERIFY(box.buttons().isEmpty());
        }
        QJXMessageBox box;
        box.setButtonStyle(4);
        QCOMPARE(box.buttons().size(), 2);
        box.setButtonStyle(1);
        QCOMPARE(box.buttons().size(), 1);
        QCOMPARE(box.buttons().first()->text(), QStringLiteral("OK"));
    }

    void minimumSizeAndTheSmallestBox()
    {
        QJXMessageBox box;
        QCOMPARE(box.minimumBoxSize(), QSize(275, 170));
        box.setButtonStyle(1);
        box.setMessage(QStringLiteral("Recording failed!"));
        box.show();
        QCOMPARE(box.size(), QSize(275, 170));
        // Buttons sit right-aligned in the bottom band, centred in it.
        QJXBaseButton *ok = box.buttons().first();
        QCOMPARE(ok->geometry().right(), 275 - 8 - 20 - 1);
        QCOMPARE(ok->y(), 170 - 8 - 50 + (50 - ok->height()) / 2);
        QCOMPARE(box.getBtnRect(), QRect(QPoint(8, 170 - 8 - 50), QPoint(275 - 1 - 8, 170 - 8 - 1)));
        QCOMPARE(box.closeButton()->pos(), QPoint(16, 13));
    }

    void emptyMessageHasAFortyPixelContentRow()
    {
        QJXMessageBox box;
        box.setMessage(QString());
        box.show();
        QCOMPARE(box.textSize(), QSize(0, 0));
        QCOMPARE(box.getTextRect().height(), 40);
    }

    void wrappingKeepsAnExactLineAndBreaksLongWords()
    {
        QFont font(QStringLiteral("Tahoma"));
        font.setPixelSize(12);
        const QFontMetrics m(font);

        // Build a line of words exactly as wide as the limit allows.
        QString line = QStringLiteral("word");
        while (width(m, line + QStringLiteral(" word")) <= 500)
            line += QStringLiteral(" word");
        const int exact = width(m, line);
        QCOMPARE(QJXMessageBox::wrapParagraph(line, m, exact), line);
        const QString wrapped = QJXMessageBox::wrapParagraph(line + QStringLiteral(" tail"), m, exact);
        QCOMPARE(wrapped, line + QStringLiteral("\ntail"));

        // A word too wide is broken at the longest prefix that fits.
        const QString longWord(200, QLatin1Char('m'));
        const QStringList pieces = QJXMessageBox::wrapParagraph(longWord, m, 500).split('\n');
        QVERIFY(pieces.size() >= 2);
        QVERIFY(width(m, pieces.first()) <= 500);
        QVERIFY(width(m, pieces.first() + QLatin1Char('m')) > 500);
        QCOMPARE(pieces.join(QString()), longWord);

        // Two spaces stay inside a line; the one space at a break goes.
        QCOMPARE(QJXMessageBox::wrapParagraph(QStringLiteral("a  b"), m, 500), QStringLiteral("a  b"));
        // A single character wider than the limit stands alone.
        QCOMPARE(QJXMessageBox::wrapParagraph(QStringLiteral("W W"), m, 3), QStringLiteral("W\nW"));
    }

    void paragraphsKeepEmptyLines()
    {
        QJXMessageBox box;
        box.setMessage(QStringLiteral("first\n\nthird"));
        QCOMPARE(box.displayText().split('\n').size(), 3);
        const QFontMetrics m(box.messageFont());
        QVERIFY(box.textSize().height() >= 3 * m.height() - 3);
    }

    void iconKindsAndTextInset()
    {
        QJXMessageBox withIcon;
        withIcon.setMessageIcon(QJXMessageBox::Warning);
        withIcon.setMessage(QStringLiteral("Disk almost full"));
        withIcon.show();
        QVERIFY(withIcon.getIconRect().isValid());
        QCOMPARE(withIcon.getTextRect().left(), withIcon.getIconRect().right() + 1);

        QJXMessageBox noIcon;
        noIcon.setMessageIcon(QJXMessageBox::Information); // kind 2 has no picture
        noIcon.setMessage(QStringLiteral("Disk almost full"));
        noIcon.show();
        QVERIFY(!noIcon.getIconRect().isValid());
        QCOMPARE(noIcon.getTextRect().left(), 8);
        QCOMPARE(noIcon.getTextRect().width(), noIcon.textSize().width() + 40);
    }

    void emptyTitleKeepsTheProjectName()
    {
        QString shown;
        whenModal([&shown](QJXMessageBox *box) {
            shown = box->getTitle();
            box->OnBtnClose();
        });
        QJXMessageBox::ShowMessage(nullptr, QStringLiteral("x"), QString(), 0, 1);
        QCOMPARE(shown, QStringLiteral("Velmora Audio Recorder"));
    }

    void fixedWidthAndComputedHeight()
    {
        QJXMessageBox box;
        QJXMessageBoxOption option = box.getMessageBoxOption();
        option.fixedSize = QSize(400, 0);
        box.setMessageBoxOption(option);
        box.setMessage(QStringLiteral("one\ntwo\nthree\nfour\nfive\nsix"));
        box.show();
        QCOMPARE(box.width(), 400);
        QVERIFY(box.height() >= 8 + 22 + box.textSize().height() + 40 + 50 + 8);
    }

    void hookStylesEveryNewBox()
    {
        QJXMessageBox::setOptionCallback([](QJXMessageBoxOption *o) {
            o->okText = QStringLiteral("Fine");
            o->buttonMargin = 30;
        });
        QJXMessageBox box;
        box.setButtonStyle(1);
        QCOMPARE(box.buttons().first()->text(), QStringLiteral("Fine"));
        QCOMPARE(box.getMessageBoxOption().buttonMargin, 30);
    }

    void centresOnItsParentAndKeepsThePlaceOfTheFirstShow()
    {
        QWidget parent;
        parent.setGeometry(100, 120, 800, 600);
        parent.show();
        QJXMessageBox box(&parent);
        box.setMessage(QStringLiteral("Centred"));
        box.show();
        const QPoint first = box.pos();
        const QRect parentRect(parent.mapToGlobal(QPoint(0, 0)), parent.size());
        QCOMPARE(first.x(), parentRect.left() + (parentRect.width() - box.width()) / 2);
        QCOMPARE(first.y(), parentRect.top() + (parentRect.height() - box.height()) / 2);
        box.hide();
        box.move(first + QPoint(30, 40));
        const QPoint moved = box.pos();
        box.setMessage(QStringLiteral("A longer message on the second show"));
        box.show();
        QCOMPARE(box.pos(), moved);
    }

    void parentStayingOnTopLendsItsFlag()
    {
        QWidget parent(nullptr, Qt::WindowStaysOnTopHint);
        bool onTop = false;
        whenModal([&onTop](QJXMessageBox *box) {
            onTop = box->windowFlags() & Qt::WindowStaysOnTopHint;
            box->OnBtnClose();
        });
        QJXMessageBox::ShowMessage(&parent, QStringLiteral("x"), QStringLiteral("T"), 0, 1);
        QVERIFY(onTop);
    }

    void screenshot()
    {
        QJXMessageBox::setOptionCallback([](QJXMessageBoxOption *o) {
            const QColor accent(255, 132, 65);
            o->buttonTextNormal = o->buttonTextHover = o->buttonTextPressed = accent;
            o->buttonTextDisabled = QColor(119, 115, 115);
            o->palette.setColor(QPalette::WindowText, QColor(250, 237, 237));
            o->palette.setColor(QPalette::Text, QColor(250, 237, 237));
            o->iconOffset = -7;
        });
        QJXMessageBox box;
        box.setTitle(QStringLiteral("Delete recordings"));
        box.setButtonStyle(4);
        box.setMessageIcon(QJXMessageBox::Help);
        box.setMessage(QStringLiteral("Do you want to delete the three selected recordings from the "
                                      "disk? They cannot be brought back afterwards."));
        box.show();
        QVERIFY(!TestSupport::saveScreenshot(&box, QStringLiteral("widgetkit_messagebox")).isEmpty());
        const QImage shot = box.grab().toImage();
        // The drawn background is there: the centre is opaque.
        QCOMPARE(qAlpha(shot.pixel(shot.width() / 2, shot.height() / 2)), 255);
    }
};

QTEST_MAIN(MessageBoxTest)
#include "tst_messagebox.moc"
