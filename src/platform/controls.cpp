// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "platform/controls.h"

#include "platform/facility.h"

#include <QApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>

namespace platform {

using namespace Qt::StringLiterals;

namespace {

constexpr QChar kParagraphSeparator = QChar(0x2029);   // line breaks in a QTextCursor selection

int ByteLimit(const QWidget *box)
{
    return box->property("byteLimit").toInt();
}

QString NormaliseLineBreaks(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(kParagraphSeparator, QLatin1Char('\n'));
    return text;
}

} // namespace

qsizetype Cp936Bytes(const QString &text, int lineBreakBytes)
{
    qsizetype bytes = 0;
    qsizetype runStart = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text.at(i) != QLatin1Char('\n') && text.at(i) != kParagraphSeparator)
            continue;
        bytes += ToCp936(QStringView(text).sliced(runStart, i - runStart)).size();
        if (i < text.size())
            bytes += lineBreakBytes;
        runStart = i + 1;
    }
    return bytes;
}

QString FitInsertion(const QString &inserted, qsizetype heldBytes, int limit, int lineBreakBytes)
{
    QString fitted;
    qsizetype bytes = heldBytes;
    for (qsizetype start = 0, length = 1; start < inserted.size(); start += length) {
        length = inserted.at(start).isHighSurrogate() && start + 1 < inserted.size()
                && inserted.at(start + 1).isLowSurrogate() ? 2 : 1;
        const QStringView ch = QStringView(inserted).sliced(start, length);
        qsizetype cost;
        if (ch == u"\n") {
            if (lineBreakBytes <= 0)
                continue;
            cost = lineBreakBytes;
        } else {
            if (!FitsCp936(ch))
                continue;
            cost = ToCp936(ch).size();
        }
        if (limit > 0 && bytes + cost > limit)
            break;
        fitted += ch;
        bytes += cost;
    }
    return fitted;
}

void PreeditTracker::commit(QWidget *box)
{
    if (m_preedit.isEmpty())
        return;
    QInputMethodEvent commitEvent;
    commitEvent.setCommitString(m_preedit);
    m_preedit.clear();
    QCoreApplication::sendEvent(box, &commitEvent);
    // The input method still holds the composition it just showed; without
    // a reset it would send it again as its own commit later.
    if (box->hasFocus())
        QGuiApplication::inputMethod()->reset();
}

// --- NoteEdit ---------------------------------------------------------------------

NoteEdit::NoteEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        // The document also reports changes of its layout (an input-method
        // preedit among them); only a change of the text counts.
        const QString text = toPlainText();
        if (m_settingText || text == m_lastText)
            return;
        m_lastText = text;
        Q_EMIT userTextChanged();
    });
}

QString NoteEdit::programText() const
{
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), u"\r\n"_s);
    return text;
}

void NoteEdit::setProgramText(const QString &text)
{
    m_settingText = true;
    setPlainText(NormaliseLineBreaks(text));
    m_lastText = toPlainText();
    m_settingText = false;
}

qsizetype NoteEdit::roomFor() const
{
    // Bytes held once the selection, which the insertion replaces, is gone.
    return Cp936Bytes(toPlainText(), 2) - Cp936Bytes(textCursor().selectedText(), 2);
}

QString NoteEdit::fit(const QString &inserted) const
{
    return FitInsertion(NormaliseLineBreaks(inserted), roomFor(), ByteLimit(this), 2);
}

void NoteEdit::keyPressEvent(QKeyEvent *event)
{
    const bool lineBreak = (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && !(event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier));
    const QString typed = lineBreak ? u"\n"_s : event->text();
    const bool printable = !typed.isEmpty()
        && (lineBreak || typed.at(0).isPrint() || typed.at(0).isSurrogate())
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!printable || isReadOnly()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    const QString fitted = fit(typed);
    if (fitted == typed) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (!fitted.isEmpty())
        insertPlainText(fitted);
    event->accept();
}

void NoteEdit::inputMethodEvent(QInputMethodEvent *event)
{
    m_preedit.track(*event);
    if (event->commitString().isEmpty()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent fitted(event->preeditString(), event->attributes());
    fitted.setCommitString(fit(event->commitString()), event->replacementStart(),
                           event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&fitted);
    event->setAccepted(fitted.isAccepted());
}

void NoteEdit::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText() || isReadOnly())
        return;
    const QString fitted = fit(source->text());
    if (!fitted.isEmpty())
        insertPlainText(fitted);
}

// --- NameEdit ---------------------------------------------------------------------

// Sees every new text of the box and compares it with the one before: what
// differs is what was just inserted, and only that is fitted.
class NameEdit::Fitter : public QValidator
{
public:
    explicit Fitter(NameEdit *box)
        : QValidator(box), m_box(box)
    {
        connect(box, &QLineEdit::textChanged, this, [this](const QString &text) { m_last = text; });
    }

    State validate(QString &input, int &pos) const override
    {
        const QString &before = m_last;
        qsizetype prefix = 0;
        const qsizetype shorter = qMin(before.size(), input.size());
        while (prefix < shorter && before.at(prefix) == input.at(prefix))
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < shorter - prefix
               && before.at(before.size() - 1 - suffix) == input.at(input.size() - 1 - suffix))
            ++suffix;
        const QString inserted = input.mid(prefix, input.size() - prefix - suffix);
        if (inserted.isEmpty())
            return Acceptable;
        const QString kept = input.left(prefix) + input.right(suffix);
        const QString fitted = FitInsertion(inserted, Cp936Bytes(kept, 0), ByteLimit(m_box), 0);
        if (fitted != inserted) {
            input = input.left(prefix) + fitted + input.right(suffix);
            pos = int(prefix + fitted.size());
        }
        return Acceptable;
    }

private:
    NameEdit *m_box;
    QString m_last;
};

NameEdit::NameEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setValidator(new Fitter(this));
}

void NameEdit::inputMethodEvent(QInputMethodEvent *event)
{
    m_preedit.track(*event);
    QLineEdit::inputMethodEvent(event);
}

// --- DatePicker -------------------------------------------------------------------

DatePicker::DatePicker(QWidget *parent)
    : QDateEdit(parent)
{
}

bool DatePicker::focusNextPrevChild(bool next)
{
    return QWidget::focusNextPrevChild(next);
}

// --- CheckList --------------------------------------------------------------------

class CheckList::Delegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rheight() += 2;
        return size;
    }

    QRect checkRect(QStyleOptionViewItem option, const QModelIndex &index, const QWidget *view) const
    {
        initStyleOption(&option, index);
        const QStyle *style = view ? view->style() : QApplication::style();
        return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
    }
};

CheckList::CheckList(QWidget *parent)
    : QListWidget(parent), m_delegate(new Delegate(this))
{
    setItemDelegate(m_delegate);
}

QRect CheckList::checkBoxRect(const QListWidgetItem *item) const
{
    if (!item)
        return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualItemRect(item);
    return m_delegate->checkRect(option, indexFromItem(item), this);
}

void CheckList::mousePressEvent(QMouseEvent *event)
{
    // Qt toggles the box without selecting the item; a tick should also make
    // it the selected task, before the check change is reported.
    if (event->button() == Qt::LeftButton) {
        QListWidgetItem *hit = itemAt(event->position().toPoint());
        if (hit && checkBoxRect(hit).contains(event->position().toPoint()))
            setCurrentItem(hit);
    }
    QListWidget::mousePressEvent(event);
}

void CheckList::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    QListWidgetItem *hit = itemAt(at);
    if (event->button() == Qt::LeftButton && hit && checkBoxRect(hit).contains(at)) {
        // Qt would end the second click here and drop its toggle; as two
        // clicks, the box toggles twice and nothing is double-clicked.
        event->accept();
        return;
    }
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && hit && itemAt(at) == hit)
        Q_EMIT textDoubleClicked(hit);
}

} // namespace platform
