// The data logging window: the log file's bytes after the user's clicks, what the user sees, and
// the starts it refuses.
#include "support/WindowFixture.h"
#include "windows/frmLogging.h"

#include <QFile>
#include <QTest>

namespace {
struct Fixture : WindowFixture<frmLogging> {
    Fixture() {
        t.session->readings.Temperatures = {25, 26, -5, 0};
        t.session->readings.FanSpeeds = {4800, 82};
        markRead(t.session->readings);
        open();
    }
    void click(const QString& file = {}) {
        if (!file.isEmpty()) t.prompts.fileNames << dir.filePath(file);
        QTest::mouseClick(w->cmdLogData, Qt::LeftButton);
    }
};

QByteArray block(const QByteArray& header, const QByteArray& values, qsizetype lines) {
    const QList<QByteArray> times{"0", ".1", ".2", ".3", ".4", ".5", ".6", ".7", ".8", ".9"};
    QByteArray out = "\r\nVORTANE Log File\r\n\r\nTime ," + header + "\r\n";
    for (const QByteArray& time : times.mid(0, lines))
        out += time + values + "\r\n";
    return out;
}
} // namespace

class TestFrmLogging : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Two starts on one file give two blocks, each with its channels and its time from 0; the log
    // runs on with the window closed, and stops when its line cannot be written.
    void startStopAndStartAgain() {
        Fixture f;
        f.click(QStringLiteral("new.csv"));
        QCOMPARE(f.t.prompts.dialogFilters, QStringList{"Log Files (*.csv)|*.csv"});
        QCOMPARE(f.t.session->statusText(), QStringLiteral("Logging Enabled"));
        f.w->cmdClose->click();
        f.run(1000); // a line on the first tick, then every 100 ms
        const QByteArray first =
            block("Temp1(\260C) ,Temp2(\260C) ,Temp3(\260C) ,Temp4(\260C) ,Tach1(RPM) ,Tach2(RPM) ,",
                  ", 25, 26,-5, 0, 4800, 82,", 10);
        QCOMPARE(f.bytes(QStringLiteral("new.csv")), first);
        f.open();
        QCOMPARE(f.w->cmdLogData->text(), QStringLiteral("Click to stop logging..."));
        f.click();
        QCOMPARE(f.w->cmdLogData->text(), QStringLiteral("Start Logging"));
        QCOMPARE(f.t.session->statusText(), QStringLiteral("Ready"));

        f.w->cmdDeselectAll->click();
        f.w->chkLog[5]->click();
        f.w->chkLog[11]->click();
        f.click(QStringLiteral("new.csv"));
        f.run(250);
        QCOMPARE(f.bytes(QStringLiteral("new.csv")), first + block("Tach2(RPM) ,PWM4(%) ,", ", 82, 0,", 3));
        f.t.session->decl.LogFileName = f.dir.filePath(QStringLiteral("gone/new.csv"));
        f.run(200);
        QCOMPARE(f.w->cmdLogData->text(), QStringLiteral("Start Logging"));
        QVERIFY(f.t.prompts.messages.isEmpty()); // the main window gives the one message
    }

    // The window shows the log's own interval (not the reading interval); refused starts leave no
    // file, the log stopped and the interval as it was.
    void refusedStarts() {
        const std::array<std::array<QString, 3>, 3> refused{
            {{"100", "a.csv", "At least one item must be selected for logging"},
             {"-5", "a.csv", "Interval (ms) must be a number from 0 to 2147483647."},
             {"100", "no/a.csv", "Logging not started: cannot write to %1 (No such file or directory)"}}};
        for (const auto& [interval, file, message] : refused) {
            Fixture f;
            f.t.session->options.LogInterval = 250;
            f.open();
            QCOMPARE(f.w->txtLogInt->text(), QStringLiteral("250"));
            if (message.startsWith(u'A')) f.w->cmdDeselectAll->click();
            f.w->txtLogInt->setText(interval);
            f.click(file);
            QCOMPARE(f.t.prompts.messages.value(0).text,
                     QString(message).replace("%1", f.dir.filePath(file)));
            QCOMPARE(f.t.prompts.messages[0].icon, MessageIcon::Warning);
            QVERIFY(!QFile::exists(f.dir.filePath(file)) && !f.t.session->decl.LoggingActive);
            QCOMPARE(f.t.session->options.LogInterval, 250);
        }
    }
};

QTEST_MAIN(TestFrmLogging)
#include "tst_frmlogging.moc"
