// The workspace clock: the date in the user's short form and the time in the
// long form, under two regional settings; never the stored "Time" on view; a
// text that fits its line, and a change of settings shown at the next tick.
#include "app/screenregistry.h"
#include "testmain.h"
#include "testutil.h"
#include "workspace/clock.h"
#include "workspace/workspacescreen.h"

#include <QDateTime>
#include <QFontMetricsF>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <clocale>
#include <unistd.h>

using namespace quorvel;

using Run = quorvel::testing::CourseRun;

namespace {

const QString kUs = QStringLiteral("en_US.UTF-8");
const QString kGerman = QStringLiteral("de_DE.UTF-8");
const QRegularExpression kUsForm(QStringLiteral(R"(^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [AP]M$)"));
const QRegularExpression kGermanForm(QStringLiteral(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d$)"));

// Switches the process's LC_TIME for one scope, as a change of the user's
// regional settings would; the locale is compiled first where it is missing.
class TimeLocale {
public:
    explicit TimeLocale(const QString &name)
        : m_previous(QString::fromLocal8Bit(std::setlocale(LC_TIME, nullptr))) {
        m_ok = std::setlocale(LC_TIME, name.toLocal8Bit().constData()) != nullptr;
        if (!m_ok && geteuid() == 0) {
            const QString base = name.section(QLatin1Char('.'), 0, 0);
            QProcess::execute(
                QStringLiteral("localedef"),
                {QStringLiteral("-i"), base, QStringLiteral("-f"), QStringLiteral("UTF-8"), name});
            m_ok = std::setlocale(LC_TIME, name.toLocal8Bit().constData()) != nullptr;
        }
    }
    ~TimeLocale() { std::setlocale(LC_TIME, m_previous.toLocal8Bit().constData()); }
    bool ok() const { return m_ok; }

private:
    QString m_previous;
    bool m_ok = false;
};

// What lblTime of a window shows at the moment the window first appears.
class ShowWatcher final : public QObject {
public:
    QString name;
    QString seen;
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Show && watched->objectName() == name && seen.isNull())
            if (auto *label = watched->findChild<QLabel *>(QStringLiteral("lblTime")))
                seen = label->text();
        return false;
    }
};

} // namespace

class ClockTest final : public QObject {
    Q_OBJECT

private slots:
    void text_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QRegularExpression>("form");
        QTest::addColumn<QString>("qtFormat"); // to read the text back
        QTest::newRow("US: month/day/four-digit year, 12-hour time with AM/PM")
            << kUs << kUsForm << QStringLiteral("MM/dd/yyyy hh:mm:ss AP");
        QTest::newRow("German: day.month.year, 24-hour time")
            << kGerman << kGermanForm << QStringLiteral("dd.MM.yyyy HH:mm:ss");
    }

    void text() {
        QFETCH(QString, locale);
        QFETCH(QRegularExpression, form);
        QFETCH(QString, qtFormat);
        TimeLocale use(locale);
        QVERIFY2(use.ok(), qPrintable(locale + " is missing: run scripts/install-deps.sh test"));

        const QDateTime before = QDateTime::currentDateTime().addMSecs(-1000);
        const QString text = clockText();
        const QDateTime after = QDateTime::currentDateTime();
        QVERIFY2(form.match(text).hasMatch(), qPrintable(text));
        // It is now: the date and time it names lie between two readings.
        const QDateTime shown = QDateTime::fromString(text, qtFormat);
        QVERIFY2(shown.isValid(), qPrintable(text));
        QVERIFY2(shown >= before && shown <= after, qPrintable(text));
    }

    void firstDisplay_showsTheClock() {
        // lblTime is the same box on every workspace screen.
        const ScreenId id = ScreenId::Form1Test;
        TimeLocale use(kUs);
        QVERIFY(use.ok());
        ShowWatcher watcher;
        watcher.name = screenName(id);
        qApp->installEventFilter(&watcher);
        Run run;
        run.registry.show(id);
        qApp->removeEventFilter(&watcher);
        QVERIFY2(!watcher.seen.isNull(), "the window never appeared");
        QVERIFY2(kUsForm.match(watcher.seen).hasMatch(), qPrintable(watcher.seen));

        // The whole text, AM/PM included, fits the label's one visible line.
        auto *screen = run.registry.screenAs<WorkspaceScreen>(id);
        QLabel *label = screen->clockLabel();
        QVERIFY(QFontMetricsF(label->font()).horizontalAdvance(label->text()) <=
                label->contentsRect().width());
        QVERIFY(screen->clockTimer()->isActive());
    }

    void regionalChange_showsAtTheNextTick() {
        Run run;
        run.registry.show(ScreenId::Form2Test);
        QLabel *label = run.registry.screenAs<WorkspaceScreen>(ScreenId::Form2Test)->clockLabel();
        QTRY_VERIFY(kUsForm.match(label->text()).hasMatch());
        {
            TimeLocale use(kGerman);
            QVERIFY(use.ok());
            QTRY_VERIFY_WITH_TIMEOUT(kGermanForm.match(label->text()).hasMatch(), 3000);
            // The shorter text goes back to the face's own width.
            QCOMPARE(label->font().stretch(), int(QFont::Unstretched));
        }
        QTRY_VERIFY_WITH_TIMEOUT(kUsForm.match(label->text()).hasMatch(), 3000);
    }
};

QUORVEL_TEST_MAIN(ClockTest)
#include "tst_clock.moc"
