// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// What a test does in the user's place: typing any text, answering message
// boxes, and a system that refuses to let files grow.

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <csignal>

// Types `text` as key presses that carry it, one character at a time, as an
// input method delivers what it commits (QTest::keyClicks takes only Latin-1).
inline void TypeText(QWidget *widget, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(i, length), Qt::NoModifier);
        i += length - 1;
    }
}

// Answers every message box that opens, remembering its title and text.
class MessageCatcher : public QObject {
public:
    MessageCatcher()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                titles.append(box->windowTitle());
                texts.append(box->text());
                box->accept();
            }
        });
        m_timer.start(20);
    }
    QStringList titles;
    QStringList texts;

private:
    QTimer m_timer;
};

// Lets files grow no further than `bytes`, so that a write that grows one
// fails with a real error from the system; lifted again on scope exit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { lift(); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    void lift() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old {};
};
