// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// The ends of the process, watched from outside: exit codes, the exit hook,
// the fatal error box; and the fatal error's text.

#include "platform/facility.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestProcess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fatalErrorText_data();
    void fatalErrorText();
    void normalEnd();
    void fatalEnd_data();
    void fatalEnd();

private:
    QStringList run(const QStringList &arguments, int *exitCode);
};

QStringList TestProcess::run(const QStringList &arguments, int *exitCode)
{
    // Started from another directory than its own, which it must make current.
    QTemporaryDir elsewhere;
    QProcess child;
    child.setWorkingDirectory(elsewhere.path());
    child.start(QString::fromUtf8(PLATFORM_CHILD), arguments);
    if (!child.waitForFinished(60000)) {
        child.kill();
        child.waitForFinished(5000);
        *exitCode = -1000;
        return {};
    }
    *exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -2000;
    return QString::fromUtf8(child.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

void TestProcess::fatalErrorText_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("text");
    QTest::newRow("type mismatch, number 5")
        << 5 << u"数据或数组类型不匹配"_s
        << u"运行时出错!\r\n\r\n错误代码：5\r\n\r\n错误信息：数据或数组类型不匹配\r\n"_s;
    QTest::newRow("platform error, number 0")
        << 0 << u"载入窗口模板数据段出错!"_s << u"运行时出错!\r\n\r\n错误信息：载入窗口模板数据段出错!\r\n"_s;
    QTest::newRow("number without message") << -7 << QString() << u"运行时出错!\r\n\r\n错误代码：-7\r\n\r\n"_s;
    QTest::newRow("neither") << 0 << QString() << u"运行时出错!\r\n\r\n"_s;
}

void TestProcess::fatalErrorText()
{
    QFETCH(int, number);
    QFETCH(QString, message);
    QFETCH(QString, text);
    QCOMPARE(platform::FatalErrorText(number, platform::ToCp936(message)), platform::ToCp936(text));
}

void TestProcess::normalEnd()
{
    int exitCode = 0;
    const QStringList lines = run({u"normal"_s}, &exitCode);
    QCOMPARE(exitCode, 0);
    const QString own = QFileInfo(QString::fromUtf8(PLATFORM_CHILD)).canonicalPath();
    QCOMPARE(lines.value(0), u"program directory: "_s + own);
    QCOMPARE(lines.value(1), u"current directory: "_s + own);
    QCOMPARE(lines.mid(2), (QStringList{u"loop ended"_s, u"exit hook"_s}));
}

void TestProcess::fatalEnd_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    QTest::newRow("number 5") << 5 << u"数据或数组类型不匹配"_s;
    QTest::newRow("number 0") << 0 << u"载入启动窗口失败"_s;
}

void TestProcess::fatalEnd()
{
    QFETCH(int, number);
    QFETCH(QString, message);
    int exitCode = 0;
    const QStringList lines = run({u"fatal"_s, QString::number(number), message}, &exitCode);
    QCOMPARE(exitCode, 255);   // -1
    QString shown = platform::FromCp936(platform::FatalErrorText(number, platform::ToCp936(message)));
    shown.replace(u"\r\n"_s, u"\n"_s);
    QCOMPARE(lines.mid(2), (QStringList{
        u"box title: 错误"_s,
        u"box text: "_s + QString::fromUtf8(shown.toUtf8().toPercentEncoding()),
        u"box icon critical: 1"_s,
        u"box buttons: 1"_s,
        u"box owner: 0"_s,
    }));   // no "handler ran", no "exit hook"
}

QTEST_GUILESS_MAIN(TestProcess)
#include "tst_process.moc"
