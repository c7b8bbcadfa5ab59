// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers
#pragma once

// The control classes that the window definitions name. They keep the few
// behaviours that Qt's own widgets lack: edit boxes that count their limit in
// code page 936 bytes and refuse characters that code page cannot hold, and
// that keep their unfinished input-method composition so it can be committed;
// a date picker that Tab leaves; a check-box list whose check box click also
// selects the item.

#include <QDateEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QStyledItemDelegate>
#include <QValidator>

namespace platform {

// What of `inserted` may go into a box that holds `heldBytes` bytes under a
// limit of `limit` bytes (0: no limit): characters code page 936 cannot hold
// are dropped, and the text is cut before the first character that would
// pass the limit. `lineBreakBytes` is what a line break costs (CR LF in a
// multi-line box).
QString FitInsertion(const QString &inserted, qsizetype heldBytes, int limit, int lineBreakBytes);
// Bytes of `text` in code page 936, a line break counted as `lineBreakBytes`.
qsizetype Cp936Bytes(const QString &text, int lineBreakBytes);

// Shared by both edit boxes: the preedit text seen last, so that it can be
// committed when Qt would drop it.
class PreeditTracker
{
public:
    const QString &preedit() const { return m_preedit; }
    void track(const QInputMethodEvent &event) { m_preedit = event.preeditString(); }
    // Sends the tracked preedit to `box` as a committed text.
    void commit(QWidget *box);

private:
    QString m_preedit;
};

// Multi-line box. Its limit is the dynamic property "byteLimit".
class NoteEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit NoteEdit(QWidget *parent = nullptr);
    // The text as the program sees it: line breaks as CR LF.
    QString programText() const;
    void setProgramText(const QString &text);
    void commitPreedit() { m_preedit.commit(this); }
    const QString &preedit() const { return m_preedit.preedit(); }

Q_SIGNALS:
    // A change of the text made by the user (not by setProgramText).
    void userTextChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    qsizetype roomFor() const;
    QString fit(const QString &inserted) const;

    PreeditTracker m_preedit;
    QString m_lastText;
    bool m_settingText = false;
};

// Single-line box. Its limit is the dynamic property "byteLimit"; every way
// text gets in (typing, pasting, dropping, the input method) passes the
// validator, which sees the whole new text and fits what was inserted.
class NameEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit NameEdit(QWidget *parent = nullptr);
    void commitPreedit() { m_preedit.commit(this); }
    const QString &preedit() const { return m_preedit.preedit(); }

protected:
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    class Fitter;
    PreeditTracker m_preedit;
};

class DatePicker : public QDateEdit
{
    Q_OBJECT
public:
    explicit DatePicker(QWidget *parent = nullptr);

protected:
    // QDateTimeEdit walks its date sections with Tab; here Tab leaves the box.
    bool focusNextPrevChild(bool next) override;
};

class CheckList : public QListWidget
{
    Q_OBJECT
public:
    static constexpr int ValueRole = Qt::UserRole;
    static constexpr int ShownCheckRole = Qt::UserRole + 1;

    explicit CheckList(QWidget *parent = nullptr);
    // The check box of `item` in viewport coordinates.
    QRect checkBoxRect(const QListWidgetItem *item) const;

Q_SIGNALS:
    // A double-click on an item's text; one on its check box only toggles it.
    void textDoubleClicked(QListWidgetItem *item);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    class Delegate;
    Delegate *m_delegate;
};

} // namespace platform
