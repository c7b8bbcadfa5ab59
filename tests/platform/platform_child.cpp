// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

// Runs one way of ending the program, for tst_process to watch from outside:
//   normal  the main window closes by Esc; the normal end follows
//   fatal   a fatal run-time error (number and message from the arguments)
// It prints what it sees on stdout, one fact a line.

#include "platform/facility.h"
#include "platform/widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QKeyEvent>
#include <QTimer>

#include <cstdio>

using platform::Window;

namespace {

void Say(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void ExitHook()
{
    Say(QStringLiteral("exit hook"));
}

// Reports the error box and presses its OK button, the way a user would.
void AnswerErrorBox()
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(top);
        if (!box || !box->isVisible())
            continue;
        Say(QStringLiteral("box title: ") + box->windowTitle());
        Say(QStringLiteral("box text: ") + QString::fromUtf8(QByteArray(box->text().toUtf8()).toPercentEncoding()));
        Say(QStringLiteral("box icon critical: %1").arg(box->icon() == QMessageBox::Critical));
        Say(QStringLiteral("box buttons: %1").arg(box->buttons().size()));
        Say(QStringLiteral("box owner: %1").arg(box->parentWidget() != nullptr));
        // A handler bound before the error must not run any more.
        platform::SetEditText(Window::Main, "编辑框_事务", platform::ToCp936(u"x"));
        box->button(QMessageBox::Ok)->click();
        return;
    }
    QTimer::singleShot(10, qApp, &AnswerErrorBox);
}

} // namespace

int main(int argc, char **argv)
{
    platform::InitFacility(argc, argv);
    Say(QStringLiteral("program directory: ") + platform::ProgramDirectory());
    Say(QStringLiteral("current directory: ") + QDir::currentPath());
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);
    platform::SetExitHook(&ExitHook);
    platform::Bind(Window::Main, "编辑框_事务", platform::Event::TextChanged,
                   [] { Say(QStringLiteral("handler ran")); });

    if (mode == QLatin1String("normal")) {
        platform::LoadWindow(Window::Main, false);
        QTimer::singleShot(0, qApp, [] {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(platform::WindowWidget(Window::Main), &esc);
        });
        platform::RunEventLoop();
        Say(QStringLiteral("loop ended"));
        const int code = platform::NormalEnd();
        platform::NormalEnd();   // the hook runs once only
        return code;
    }
    if (mode == QLatin1String("fatal")) {
        platform::LoadWindow(Window::Main, false);
        QTimer::singleShot(0, qApp, &AnswerErrorBox);
        platform::FatalRuntimeError(args.value(2).toInt(), platform::ToCp936(args.value(3)));
    }
    return 3;
}
