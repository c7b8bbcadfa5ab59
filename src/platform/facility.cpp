// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "platform/facility.h"

#include "platform/calendar.h"
#include "platform/controls.h"
#include "platform/widgets.h"

#include "ui_mainwindow.h"
#include "ui_tasknamewindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QSessionManager>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <unistd.h>

static void InitPlatformResources()
{
    Q_INIT_RESOURCE(platform);
}

namespace platform {

using namespace Qt::StringLiterals;

namespace {

constexpr int kWindowCount = 2;

int Slot(Window window)
{
    return window == Window::Main ? 0 : 1;
}

struct WindowState {
    QPointer<QWidget> widget;
    QEventLoop *modalLoop = nullptr;
    bool closing = false;
    bool closePosted = false;
    bool closeCancelled = false;
};

using BindingKey = std::tuple<int, std::string, int>;

class EventGate;

struct FacilityState {
    QString programDirectory;
    std::function<QDateTime()> clock;
    void (*exitHook)() = nullptr;
    std::map<BindingKey, Handler> handlers;
    std::array<WindowState, kWindowCount> windows;
    QEventLoop *mainLoop = nullptr;
    EventGate *gate = nullptr;
    bool fatal = false;
    bool ended = false;
    int handlerDepth = 0;
    int checkChangedIndex = -1;
    // Date changes of the pickers not yet delivered, per window.
    std::array<bool, kWindowCount> datePending{};
    bool dateDeliveryPosted = false;
    // Set while the facility itself changes a control, so the change raises nothing.
    int programChange = 0;
};

FacilityState &State()
{
    static FacilityState state;
    return state;
}

struct ProgramChange {
    ProgramChange() { ++State().programChange; }
    ~ProgramChange() { --State().programChange; }
    ProgramChange(const ProgramChange &) = delete;
    ProgramChange &operator=(const ProgramChange &) = delete;
};

void PostDateDelivery();

void Raise(Window window, const QByteArray &control, Event event)
{
    FacilityState &s = State();
    if (s.fatal || s.ended)
        return;
    if (!s.windows[Slot(window)].widget)
        return;
    const auto found = s.handlers.find({Slot(window), control.toStdString(), int(event)});
    if (found == s.handlers.end() || !found->second)
        return;
    const Handler handler = found->second;   // a handler may rebind its own event
    ++s.handlerDepth;
    handler();
    --s.handlerDepth;
    if (s.handlerDepth == 0 && (s.datePending[0] || s.datePending[1]))
        PostDateDelivery();
}

void DeliverDateChanges()
{
    FacilityState &s = State();
    s.dateDeliveryPosted = false;
    // Never inside another handler, not even one waiting in a message box's
    // loop: the change is kept and delivered once that handler has returned.
    if (s.handlerDepth > 0)
        return;
    for (Window window : {Window::Main, Window::TaskName}) {
        if (!s.datePending[Slot(window)])
            continue;
        s.datePending[Slot(window)] = false;
        QWidget *widget = s.windows[Slot(window)].widget;
        if (!widget)
            continue;
        // One picker per window in these definitions; the handler reads its value.
        if (auto *picker = widget->findChild<DatePicker *>())
            Raise(window, picker->objectName().toUtf8(), Event::DateChanged);
    }
}

void PostDateDelivery()
{
    FacilityState &s = State();
    if (s.dateDeliveryPosted)
        return;
    s.dateDeliveryPosted = true;
    QTimer::singleShot(0, qApp, &DeliverDateChanges);
}

std::optional<Window> WindowOf(const QWidget *widget)
{
    if (!widget)
        return std::nullopt;
    const QWidget *top = widget->window();
    for (Window window : {Window::Main, Window::TaskName}) {
        if (State().windows[Slot(window)].widget == top)
            return window;
    }
    return std::nullopt;
}

void DestroyWindow(Window window);

void PostClose(Window window)
{
    WindowState &w = State().windows[Slot(window)];
    if (!w.widget || w.closing || w.closePosted)
        return;
    w.closePosted = true;
    QTimer::singleShot(0, qApp, [window] {
        State().windows[Slot(window)].closePosted = false;
        DestroyWindow(window);
    });
}

void DestroyWindow(Window window)
{
    FacilityState &s = State();
    WindowState &w = s.windows[Slot(window)];
    if (!w.widget || w.closing)
        return;
    w.closing = true;
    QWidget *widget = w.widget;

    // Qt does not promise the focused control a focus-out before the
    // children go; the lost focus handler must see every control alive.
    QWidget *focused = QApplication::focusWidget();
    if (focused && focused->window() == widget)
        focused->clearFocus();

    // That handler could not store what the window holds: it stays open.
    if (w.closeCancelled) {
        w.closeCancelled = false;
        w.closing = false;
        return;
    }

    Raise(window, {}, Event::WillBeDestroyed);

    w.widget = nullptr;
    s.datePending[Slot(window)] = false;
    delete widget;
    w.closing = false;

    if (w.modalLoop)
        w.modalLoop->quit();
    const bool anyLeft = std::any_of(s.windows.begin(), s.windows.end(),
                                     [](const WindowState &other) { return !other.widget.isNull(); });
    if (!anyLeft && s.mainLoop)
        s.mainLoop->quit();
}

QRadioButton *NextRadio(QRadioButton *from, bool forward)
{
    QList<QRadioButton *> group;
    for (QObject *sibling : from->parent()->children()) {
        auto *radio = qobject_cast<QRadioButton *>(sibling);
        if (radio && radio->autoExclusive() && radio->isVisible() && radio->isEnabled())
            group.append(radio);
    }
    // The group's order is top to bottom, as the buttons stand.
    std::sort(group.begin(), group.end(), [](const QRadioButton *a, const QRadioButton *b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    const qsizetype at = group.indexOf(from);
    if (at < 0 || group.size() < 2)
        return nullptr;
    const qsizetype step = forward ? 1 : group.size() - 1;
    return group.at((at + step) % group.size());
}

// The next control of the window's focus order (the definition's property
// "focusOrder"), wrapping, skipping hidden and disabled ones. Qt's own focus
// chain leaves out the unchecked buttons of a radio group, which here are
// tab stops like the rest.
QWidget *NextTabStop(QWidget *from, bool forward)
{
    QWidget *window = from->window();
    const QStringList order = window->property("focusOrder").toStringList();
    QList<QWidget *> stops;
    for (const QString &name : order) {
        if (auto *stop = window->findChild<QWidget *>(name))
            stops.append(stop);
    }
    qsizetype at = -1;
    for (qsizetype i = 0; i < stops.size() && at < 0; ++i) {
        if (stops.at(i) == from || stops.at(i)->isAncestorOf(from) || from->focusProxy() == stops.at(i))
            at = i;
    }
    if (at < 0)
        at = forward ? stops.size() - 1 : 0;
    for (qsizetype step = 1; step <= stops.size(); ++step) {
        const qsizetype next = (at + (forward ? step : stops.size() - step)) % stops.size();
        QWidget *candidate = stops.at(next);
        if (candidate->isVisible() && candidate->isEnabled())
            return candidate;
    }
    return nullptr;
}

// Watches the program's windows for what Qt's widgets do not do by themselves.
class EventGate : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            return keyPress(watched, static_cast<QKeyEvent *>(event));
        case QEvent::Close:
            return closeRequest(watched, static_cast<QCloseEvent *>(event));
        case QEvent::FocusOut:
            focusOut(watched, static_cast<QFocusEvent *>(event));
            return false;
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
            fitOuterSize(watched);
            return false;
        default:
            return false;
        }
    }

private:
    bool keyPress(QObject *watched, QKeyEvent *event)
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        const std::optional<Window> window = WindowOf(widget);
        if (!window)
            return false;
        if (State().fatal)
            return true;
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        if (event->key() == Qt::Key_Escape && modifiers == Qt::NoModifier) {
            PostClose(*window);
            return true;
        }
        if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
            const bool forward = event->key() == Qt::Key_Tab && !(modifiers & Qt::ShiftModifier);
            if ((modifiers & ~Qt::ShiftModifier) != Qt::NoModifier)
                return false;
            if (QWidget *next = NextTabStop(widget, forward))
                next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
        if (auto *radio = qobject_cast<QRadioButton *>(widget); radio && modifiers == Qt::NoModifier) {
            bool forward;
            switch (event->key()) {
            case Qt::Key_Right:
            case Qt::Key_Down:
                forward = true;
                break;
            case Qt::Key_Left:
            case Qt::Key_Up:
                forward = false;
                break;
            default:
                return false;
            }
            if (QRadioButton *next = NextRadio(radio, forward)) {
                next->setChecked(true);
                next->setFocus(Qt::TabFocusReason);
                Raise(*window, next->objectName().toUtf8(), Event::Click);
            }
            return true;
        }
        return false;
    }

    bool closeRequest(QObject *watched, QCloseEvent *event)
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !widget->isWindow())
            return false;
        const std::optional<Window> window = WindowOf(widget);
        if (!window)
            return false;
        // Destroying the window inside its own close event would pull it from
        // under Qt; it goes from the event loop, the same way as on Esc.
        event->ignore();
        PostClose(*window);
        return true;
    }

    void focusOut(QObject *watched, QFocusEvent *event)
    {
        // A popup (a context menu) borrows the focus without the box losing it.
        if (event->reason() == Qt::PopupFocusReason)
            return;
        auto *widget = qobject_cast<QWidget *>(watched);
        const std::optional<Window> window = WindowOf(widget);
        if (!window || State().windows[Slot(*window)].widget.isNull())
            return;
        // Qt drops an unfinished composition when the box loses the focus;
        // commit it first so that the lost focus handler reads it.
        if (auto *note = qobject_cast<NoteEdit *>(widget))
            note->commitPreedit();
        else if (auto *name = qobject_cast<NameEdit *>(widget))
            name->commitPreedit();
        else
            return;
        Raise(*window, widget->objectName().toUtf8(), Event::LostFocus);
    }

    void fitOuterSize(QObject *watched)
    {
        // The definitions give the outer size; where a window manager adds a
        // frame, the client area gives way to it.
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget || !widget->isWindow() || !WindowOf(widget) || !widget->isVisible())
            return;
        const QSize outer = widget->property("outerSize").toSize();
        if (!outer.isValid())
            return;
        const QSize frame = widget->frameGeometry().size() - widget->geometry().size();
        const QSize client = outer - frame;
        if (frame.isEmpty() || widget->size() == client)
            return;
        widget->setFixedSize(client);
        const QPoint centred = widget->property("centredAt").toPoint();
        widget->move(centred);
    }
};

void EnsureHooks()
{
    FacilityState &s = State();
    if (s.gate)
        return;
    InitPlatformResources();
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    app->setQuitOnLastWindowClosed(false);
    s.gate = new EventGate(app);
    app->installEventFilter(s.gate);
    QObject::connect(app, &QGuiApplication::commitDataRequest, s.gate, [](QSessionManager &) {
        // The session ends without the window being closed: store what is
        // pending now, composition included.
        CommitInputMethod();
        Raise(Window::Main, {}, Event::SessionEnding);
    });
}

void ApplyDefinitionSettings(QWidget *window, QSize outer)
{
    window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                           | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    window->setProperty("outerSize", outer);
    window->setFixedSize(outer);

    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    window->setPalette(palette);

    const QList<QWidget *> children = window->findChildren<QWidget *>();
    for (QWidget *child : children) {
        const int pixelSize = child->property("fontPixelSize").toInt();
        if (pixelSize > 0) {
            QFont font = child->font();
            font.setPixelSize(pixelSize);
            font.setWeight(QFont::Normal);
            font.setStyleStrategy(QFont::PreferQuality);
            child->setFont(font);
        }
        if (qobject_cast<QLabel *>(child)) {
            QPalette labelPalette = child->palette();
            labelPalette.setColor(QPalette::WindowText, Qt::black);
            child->setPalette(labelPalette);
        }
        if (qobject_cast<NoteEdit *>(child) || qobject_cast<NameEdit *>(child)) {
            QPalette boxPalette = child->palette();
            boxPalette.setColor(QPalette::Base, Qt::white);
            boxPalette.setColor(QPalette::Text, Qt::black);
            if (qobject_cast<NoteEdit *>(child)) {
                // The selection is not shown while the box has no focus.
                boxPalette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
                boxPalette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
            }
            child->setPalette(boxPalette);
        }
    }
}

void SetPicker(DatePicker *picker, double value);

void ConnectControls(Window window, QWidget *widget)
{
    const QList<QWidget *> children = widget->findChildren<QWidget *>();
    for (QWidget *child : children) {
        const QByteArray name = child->objectName().toUtf8();
        if (auto *button = qobject_cast<QAbstractButton *>(child)) {
            QObject::connect(button, &QAbstractButton::clicked, button,
                             [window, name] { Raise(window, name, Event::Click); });
        } else if (auto *note = qobject_cast<NoteEdit *>(child)) {
            QObject::connect(note, &NoteEdit::userTextChanged, note,
                             [window, name] { Raise(window, name, Event::TextChanged); });
        } else if (auto *line = qobject_cast<NameEdit *>(child)) {
            QObject::connect(line, &QLineEdit::textEdited, line,
                             [window, name] { Raise(window, name, Event::TextChanged); });
        } else if (auto *picker = qobject_cast<DatePicker *>(child)) {
            // Qt reports the change inside it; the handler gets it from the loop.
            QObject::connect(picker, &QDateEdit::dateChanged, picker, [window, picker](QDate date) {
                // Qt also reports a date it merely read again (Enter in the box).
                if (State().programChange > 0 || picker->property("shownDate").toDate() == date)
                    return;
                picker->setProperty("shownDate", date);
                State().datePending[Slot(window)] = true;
                PostDateDelivery();
            });
            SetPicker(picker, FromLocalDateTime(Now()));
        } else if (auto *list = qobject_cast<CheckList *>(child)) {
            QObject::connect(list, &QListWidget::itemChanged, list, [window, name, list](QListWidgetItem *item) {
                const bool checked = item->checkState() == Qt::Checked;
                if (item->data(CheckList::ShownCheckRole).toBool() == checked)
                    return;
                item->setData(CheckList::ShownCheckRole, checked);
                if (State().programChange > 0)
                    return;
                State().checkChangedIndex = list->row(item);
                Raise(window, name, Event::CheckChange);
            });
            QObject::connect(list, &CheckList::textDoubleClicked, list,
                             [window, name] { Raise(window, name, Event::DoubleClick); });
        }
    }
}

QWidget *CreateWindow(Window window)
{
    auto *widget = new QWidget(nullptr);
    if (window == Window::Main) {
        Ui::MainWindow ui;
        ui.setupUi(widget);
        ApplyDefinitionSettings(widget, QSize(316, 393));
    } else {
        Ui::TaskNameWindow ui;
        ui.setupUi(widget);
        ApplyDefinitionSettings(widget, QSize(304, 115));
    }
    widget->setAttribute(Qt::WA_DeleteOnClose, false);
    return widget;
}

QWidget *FindControl(Window window, const char *control)
{
    QWidget *widget = State().windows[Slot(window)].widget;
    if (!widget)
        return nullptr;
    return widget->findChild<QWidget *>(QString::fromUtf8(control));
}

template<typename T>
T *Need(Window window, const char *control)
{
    if (!State().windows[Slot(window)].widget)
        FatalRuntimeError(0, ToCp936(u"指定窗口尚未载入"));
    auto *typed = qobject_cast<T *>(FindControl(window, control));
    if (!typed)
        FatalRuntimeError(0, ToCp936(u"未载入欲访问窗口组件所在的窗口"));
    return typed;
}

// Picker values: the widget shows the day; the time of day is kept here
// beside it, so a read gives the date picked with the time it held.
void SetPicker(DatePicker *picker, double value)
{
    const double clamped = ClampDate(value);
    const double day = DatePart(clamped);
    // Within half a second of midnight the value counts as the next day; it
    // then reads back as that midnight, or its date part would move on again.
    const double fraction = day == std::trunc(clamped) ? std::fabs(clamped - std::trunc(clamped)) : 0.0;
    ProgramChange quiet;
    const QDate date = ToLocalDateTime(day).date();
    picker->setDate(date);
    picker->setProperty("shownDate", date);
    picker->setProperty("timeFraction", fraction);
}

QString ShownText(const Text &text)
{
    QString shown = FromCp936(text);
    shown.replace(u"\r\n"_s, u"\n"_s);
    return shown;
}

} // namespace

// --- process and start ------------------------------------------------------------

void InitFacility(int &argc, char **argv)
{
    if (!QCoreApplication::instance())
        new QApplication(argc, argv);   // lives until the process ends
    EnsureHooks();
    SetProgramDirectory(QCoreApplication::applicationDirPath());
}

QString ProgramDirectory()
{
    return State().programDirectory;
}

void SetProgramDirectory(const QString &directory)
{
    QString dir = QDir::cleanPath(directory);
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    State().programDirectory = dir;
    QDir::setCurrent(dir);
}

bool EntryExists(const QString &path)
{
    return QFileInfo::exists(path);
}

QDateTime Now()
{
    const auto &clock = State().clock;
    return clock ? clock() : QDateTime::currentDateTime();
}

void SetClock(std::function<QDateTime()> clock)
{
    State().clock = std::move(clock);
}

void SetExitHook(void (*hook)())
{
    State().exitHook = hook;
}

int NormalEnd()
{
    FacilityState &s = State();
    s.ended = true;
    if (void (*hook)() = std::exchange(s.exitHook, nullptr))
        hook();
    return 0;
}

Text FatalErrorText(std::int32_t number, const Text &message)
{
    Text text = ToCp936(u"运行时出错!") + "\r\n\r\n";
    if (number != 0)
        text += ToCp936(u"错误代码：") + QByteArray::number(number) + "\r\n\r\n";
    if (!message.isEmpty())
        text += ToCp936(u"错误信息：") + message + "\r\n";
    return text;
}

void FatalRuntimeError(std::int32_t number, const Text &message)
{
    FacilityState &s = State();
    s.fatal = true;
    s.exitHook = nullptr;
    const Text text = FatalErrorText(number, message);
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        QMessageBox box(QMessageBox::Critical, u"错误"_s, ShownText(text), QMessageBox::Ok);
        box.setWindowModality(Qt::ApplicationModal);
        box.exec();
    } else {
        std::fputs(ShownText(text).toLocal8Bit().constData(), stderr);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(-1 & 0xff);
}

// --- windows ------------------------------------------------------------------------

void Bind(Window window, const char *control, Event event, Handler handler)
{
    State().handlers[{Slot(window), control ? std::string(control) : std::string(), int(event)}] =
        std::move(handler);
}

void UnbindAll()
{
    State().handlers.clear();
}

void LoadWindow(Window window, bool modal)
{
    EnsureHooks();
    FacilityState &s = State();
    WindowState &w = s.windows[Slot(window)];
    if (w.widget || s.fatal)
        return;
    QWidget *widget = CreateWindow(window);
    if (!widget)
        FatalRuntimeError(0, ToCp936(u"载入启动窗口失败"));
    w.widget = widget;
    ConnectControls(window, widget);

    Raise(window, {}, Event::Created);
    if (!w.widget)
        return;
    // A window whose creation handler asked for it to close (a start that
    // cannot go on) goes without ever being shown.
    if (w.closePosted) {
        DestroyWindow(window);
        return;
    }

    const QSize outer = widget->property("outerSize").toSize();
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, outer.width(), outer.height());
    // Integer halves, truncated toward zero, so a small screen puts an edge off it.
    const QPoint centred(screenRect.x() + (screenRect.width() - outer.width()) / 2,
                         screenRect.y() + (screenRect.height() - outer.height()) / 2);
    widget->setProperty("centredAt", centred);
    widget->move(centred);
    if (modal)
        widget->setWindowModality(Qt::ApplicationModal);
    widget->show();
    widget->activateWindow();
    const QByteArray first = widget->property("firstFocus").toString().toUtf8();
    if (QWidget *firstFocus = FindControl(window, first.constData()))
        firstFocus->setFocus(Qt::ActiveWindowFocusReason);

    if (!modal)
        return;
    QEventLoop loop;
    w.modalLoop = &loop;
    if (w.widget)
        loop.exec();
    w.modalLoop = nullptr;
    if (QWidget *main = s.windows[Slot(Window::Main)].widget; main && window != Window::Main)
        main->activateWindow();
}

bool IsLoaded(Window window)
{
    return !State().windows[Slot(window)].widget.isNull();
}

void CancelClose(Window window)
{
    WindowState &w = State().windows[Slot(window)];
    if (w.closing)
        w.closeCancelled = true;
}

void RequestClose(Window window)
{
    PostClose(window);
}

void RunEventLoop()
{
    FacilityState &s = State();
    const bool anyLoaded = std::any_of(s.windows.begin(), s.windows.end(),
                                       [](const WindowState &w) { return !w.widget.isNull(); });
    if (!anyLoaded)
        return;
    QEventLoop loop;
    s.mainLoop = &loop;
    loop.exec();
    s.mainLoop = nullptr;
}

// --- controls -------------------------------------------------------------------------

Text EditText(Window window, const char *control)
{
    QWidget *box = Need<QWidget>(window, control);
    if (auto *note = qobject_cast<NoteEdit *>(box))
        return ToCp936(note->programText());
    if (auto *line = qobject_cast<QLineEdit *>(box))
        return ToCp936(line->text());
    FatalRuntimeError(0, ToCp936(u"未载入欲访问窗口组件所在的窗口"));
}

void SetEditText(Window window, const char *control, const Text &text)
{
    QWidget *box = Need<QWidget>(window, control);
    if (auto *note = qobject_cast<NoteEdit *>(box)) {
        note->setProgramText(FromCp936(text));
    } else if (auto *line = qobject_cast<QLineEdit *>(box)) {
        ProgramChange quiet;
        line->setText(FromCp936(text));
    } else {
        FatalRuntimeError(0, ToCp936(u"未载入欲访问窗口组件所在的窗口"));
    }
    Raise(window, box->objectName().toUtf8(), Event::TextChanged);
}

void CommitInputMethod()
{
    QWidget *focused = QApplication::focusWidget();
    if (auto *note = qobject_cast<NoteEdit *>(focused))
        note->commitPreedit();
    else if (auto *name = qobject_cast<NameEdit *>(focused))
        name->commitPreedit();
}

double PickerValue(Window window, const char *control)
{
    auto *picker = Need<DatePicker>(window, control);
    const double day = FromLocalDateTime(QDateTime(picker->date(), QTime(0, 0)));
    const double fraction = picker->property("timeFraction").toDouble();
    return day >= 0 ? day + fraction : day - fraction;
}

void SetPickerValue(Window window, const char *control, double value)
{
    SetPicker(Need<DatePicker>(window, control), value);
}

bool IsRadioChecked(Window window, const char *control)
{
    return Need<QRadioButton>(window, control)->isChecked();
}

int ListSelectedIndex(Window window, const char *control)
{
    auto *list = Need<CheckList>(window, control);
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

int ListCount(Window window, const char *control)
{
    return Need<CheckList>(window, control)->count();
}

void ListClear(Window window, const char *control)
{
    ProgramChange quiet;
    Need<CheckList>(window, control)->clear();
}

void ListAddItem(Window window, const char *control, const Text &text, std::int32_t value)
{
    auto *list = Need<CheckList>(window, control);
    ProgramChange quiet;
    auto *item = new QListWidgetItem(FromCp936(text));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    item->setData(CheckList::ShownCheckRole, false);
    item->setData(CheckList::ValueRole, value);
    list->addItem(item);
}

void ListDeleteItem(Window window, const char *control, int index)
{
    auto *list = Need<CheckList>(window, control);
    ProgramChange quiet;
    if (index >= 0 && index < list->count())
        delete list->takeItem(index);
    list->clearSelection();
}

Text ListItemText(Window window, const char *control, int index)
{
    auto *list = Need<CheckList>(window, control);
    QListWidgetItem *item = list->item(index);
    return item ? ToCp936(item->text()) : Text();
}

void ListSetItemText(Window window, const char *control, int index, const Text &text)
{
    auto *list = Need<CheckList>(window, control);
    ProgramChange quiet;
    if (QListWidgetItem *item = list->item(index); item && item->text() != FromCp936(text))
        item->setText(FromCp936(text));
}

std::int32_t ListItemValue(Window window, const char *control, int index)
{
    auto *list = Need<CheckList>(window, control);
    QListWidgetItem *item = list->item(index);
    return item ? item->data(CheckList::ValueRole).toInt() : -1;
}

void ListSetItemValue(Window window, const char *control, int index, std::int32_t value)
{
    auto *list = Need<CheckList>(window, control);
    ProgramChange quiet;
    if (QListWidgetItem *item = list->item(index))
        item->setData(CheckList::ValueRole, value);
}

bool ListIsChecked(Window window, const char *control, int index)
{
    auto *list = Need<CheckList>(window, control);
    QListWidgetItem *item = list->item(index);
    return item && item->checkState() == Qt::Checked;
}

void ListSetCheck(Window window, const char *control, int index, bool done)
{
    auto *list = Need<CheckList>(window, control);
    ProgramChange quiet;
    if (QListWidgetItem *item = list->item(index))
        item->setCheckState(done ? Qt::Checked : Qt::Unchecked);
}

int CheckChangedIndex()
{
    return State().checkChangedIndex;
}

void ShowMessage(const Text &text, const Text &title)
{
    EnsureHooks();
    const QString caption = title.isEmpty() ? u"信息："_s : FromCp936(title);
    QWidget *owner = nullptr;
    for (Window window : {Window::TaskName, Window::Main}) {
        if (QWidget *widget = State().windows[Slot(window)].widget; widget && !owner)
            owner = widget;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, ShownText(text), QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

// --- text -----------------------------------------------------------------------------

Text ToCp936(QStringView text)
{
    QStringEncoder encoder("GBK");
    return encoder(text);
}

QString FromCp936(const Text &text)
{
    QStringDecoder decoder("GBK");
    return decoder(text);
}

bool FitsCp936(QStringView text)
{
    // ICU reports what it cannot map as an error (and writes '?'), so the
    // error flag, not the bytes, tells a real '?' from a lost character.
    QStringEncoder encoder("GBK");
    const QByteArray bytes = encoder(text);
    Q_UNUSED(bytes);
    return !encoder.hasError();
}

// --- for tests ---------------------------------------------------------------------------

QWidget *WindowWidget(Window window)
{
    return State().windows[Slot(window)].widget;
}

QWidget *Control(Window window, const char *name)
{
    return FindControl(window, name);
}

} // namespace platform
