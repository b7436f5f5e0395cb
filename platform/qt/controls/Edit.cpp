// "EDIT": single-line (QLineEdit) and multi-line (QPlainTextEdit) edits. Typed characters arrive as
// WM_CHAR through the window's procedure chain, so a subclass can filter them; this procedure then
// applies them with the Windows rules (limit, ES_NUMBER, case, read-only). Positions count a line
// break as the two characters "\r\n", as the program expects.
#include "Control.h"
#include "Controls.h"

#include <QtGui/QClipboard>
#include <QtGui/QTextBlock>
#include <QtGui/QTextCursor>
#include <QtGui/QTextDocument>
#include <QtWidgets/QApplication>
#include <QtWidgets/QLineEdit>
#include <QtWidgets/QPlainTextEdit>
#include <QtWidgets/QScrollBar>

#include <algorithm>

namespace kel::qt::controls
{
namespace
{

constexpr int kDefaultLimit = 30000;
constexpr int kMaxLimit = 0x7FFFFFFE;

class EditControl : public Control
{
public:
    using Control::Control;

    bool Multi() const { return plain_ != nullptr; }

    QWidget* CreateWidget(QWidget* parent, const CREATESTRUCT& cs) override
    {
        const DWORD style = static_cast<DWORD>(cs.style);
        const QString text = ToQt(cs.lpszName && !IS_INTRESOURCE(cs.lpszName) ? cs.lpszName : "");
        QWidget* w;
        if (style & ES_MULTILINE)
        {
            plain_ = new QPlainTextEdit(parent);
            plain_->setLineWrapMode((style & (WS_HSCROLL | ES_AUTOHSCROLL)) ? QPlainTextEdit::NoWrap
                                                                            : QPlainTextEdit::WidgetWidth);
            plain_->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                    : Qt::ScrollBarAlwaysOff);
            plain_->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                      : Qt::ScrollBarAlwaysOff);
            plain_->setPlainText(FromWin(text));
            plain_->setTabChangesFocus(false);
            QObject::connect(plain_, &QPlainTextEdit::textChanged, this, [this] { Changed(); });
            w = plain_;
        }
        else
        {
            line_ = new QLineEdit(parent);
            line_->setMaxLength(kMaxLimit); // the window's limit is kept here, not by the widget
            line_->setText(text);
            if (style & ES_PASSWORD)
                line_->setEchoMode(QLineEdit::Password);
            line_->setAlignment((style & ES_RIGHT)    ? Qt::AlignRight
                                : (style & ES_CENTER) ? Qt::AlignHCenter
                                                      : Qt::AlignLeft);
            line_->setFrame((style & WS_BORDER) || (GetWindowLongPtr(hwnd_, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
            QObject::connect(line_, &QLineEdit::textChanged, this, [this] { Changed(); });
            w = line_;
        }
        SetReadOnly(style & ES_READONLY);
        colorMsg_ = (style & ES_READONLY) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
        limit_ = Multi() ? kMaxLimit : kDefaultLimit;
        return w;
    }

    // ---- Text in Windows form

    static QString FromWin(QString s) { return s.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }
    static QString ToWin(QString s) { return s.replace(QLatin1Char('\n'), QStringLiteral("\r\n")); }

    QString QtText() const { return line_ ? line_->text() : plain_ ? plain_->toPlainText() : QString(); }
    QString WinText() const { return Multi() ? ToWin(QtText()) : QtText(); }

    // Windows position <-> Qt position (line breaks count two there, one here).
    int ToQtPos(int win) const
    {
        if (!Multi())
            return std::clamp(win, 0, static_cast<int>(QtText().size()));
        const QString t = QtText();
        int w = 0, q = 0;
        for (; q < t.size() && w < win; ++q)
            w += t[q] == QLatin1Char('\n') ? 2 : 1;
        return q;
    }
    int ToWinPos(int q) const
    {
        if (!Multi())
            return q;
        const QString t = QtText();
        return q + static_cast<int>(t.left(q).count(QLatin1Char('\n')));
    }

    void Selection(int* start, int* end) const
    {
        int s = 0, e = 0;
        if (line_)
        {
            s = line_->hasSelectedText() ? line_->selectionStart() : line_->cursorPosition();
            e = line_->hasSelectedText() ? line_->selectionEnd() : s;
        }
        else if (plain_)
        {
            const QTextCursor c = plain_->textCursor();
            s = c.selectionStart();
            e = c.selectionEnd();
        }
        *start = ToWinPos(s);
        *end = ToWinPos(e);
    }

    void SetSelection(int start, int end)
    {
        // -1 start removes the selection; -1 end (or past the end) selects to the end.
        const int len = static_cast<int>(WinText().size());
        if (start < 0)
        {
            int s, e;
            Selection(&s, &e);
            start = end = e;
        }
        if (end < 0 || end > len)
            end = len;
        start = std::min(start, len);
        const int qs = ToQtPos(start), qe = ToQtPos(end);
        if (line_)
            line_->setSelection(qs, qe - qs);
        else if (plain_)
        {
            QTextCursor c = plain_->textCursor();
            c.setPosition(qs);
            c.setPosition(qe, QTextCursor::KeepAnchor);
            plain_->setTextCursor(c);
        }
    }

    // Replaces the selection with cp1252 text. user: typed or pasted (the limit applies, modified).
    bool ReplaceSelection(const QString& text, bool user)
    {
        int s, e;
        Selection(&s, &e);
        QString insert =
            Multi() ? FromWin(text)
                    : text.left(text.indexOf(QLatin1Char('\r')) < 0 ? text.size()
                                                                    : text.indexOf(QLatin1Char('\r')));
        const int room = limit_ - (static_cast<int>(QtText().size()) - (ToQtPos(e) - ToQtPos(s)));
        bool cut = false;
        if (user && insert.size() > room)
        {
            insert = insert.left(std::max(room, 0));
            cut = true;
        }
        if (cut && insert.isEmpty())
        {
            Command(EN_MAXTEXT);
            return false;
        }
        userChange_ = user;
        if (line_)
            line_->insert(insert);
        else if (plain_)
            plain_->insertPlainText(insert);
        userChange_ = false;
        if (cut)
            Command(EN_MAXTEXT);
        return true;
    }

    void SetText(const QString& text)
    {
        programmatic_ = true;
        if (line_)
            line_->setText(text);
        else if (plain_)
            plain_->setPlainText(FromWin(text));
        programmatic_ = false;
        modified_ = false;
        // Windows reports programmatic text changes too, except to multi-line edits.
        if (!Multi())
        {
            Command(EN_UPDATE);
            Command(EN_CHANGE);
        }
    }

    void Changed()
    {
        if (programmatic_)
            return;
        modified_ = true;
        Command(EN_UPDATE);
        Command(EN_CHANGE);
    }

    void SetReadOnly(bool ro)
    {
        if (line_)
            line_->setReadOnly(ro);
        if (plain_)
            plain_->setReadOnly(ro);
        LONG_PTR style = GetWindowLongPtr(hwnd_, GWL_STYLE);
        SetWindowLongPtr(hwnd_, GWL_STYLE, ro ? (style | ES_READONLY) : (style & ~ES_READONLY));
    }

    bool ReadOnly() const { return Style() & ES_READONLY; }

    // ---- Lines (multi-line; a single-line edit has one)

    QTextBlock Block(int line) const { return plain_->document()->findBlockByNumber(line); }
    int LineCount() const { return plain_ ? plain_->document()->blockCount() : 1; }
    int LineOfQtPos(int q) const { return plain_ ? plain_->document()->findBlock(q).blockNumber() : 0; }
    int LineIndex(int line) const
    {
        if (line < 0)
        {
            int s, e;
            Selection(&s, &e);
            line = LineOfQtPos(ToQtPos(e));
        }
        if (!plain_)
            return line == 0 ? 0 : -1;
        const QTextBlock b = Block(line);
        return b.isValid() ? ToWinPos(b.position()) : -1;
    }
    QString LineText(int line) const
    {
        if (!plain_)
            return line == 0 ? QtText() : QString();
        const QTextBlock b = Block(line);
        return b.isValid() ? b.text() : QString();
    }

    // ---- Typing

    void Char(int ch)
    {
        if (!widget_)
            return;
        switch (ch)
        {
        case 1: // Ctrl+A
            SetSelection(0, -1);
            return;
        case 3:
            Proc(WM_COPY, 0, 0);
            return;
        case 22:
            Proc(WM_PASTE, 0, 0);
            return;
        case 24:
            Proc(WM_CUT, 0, 0);
            return;
        case 26:
            Proc(EM_UNDO, 0, 0);
            return;
        case 8:
            if (ReadOnly())
                return;
            {
                int s, e;
                Selection(&s, &e);
                if (s == e)
                {
                    if (s == 0)
                        return;
                    const int q = ToQtPos(s);
                    SetSelection(ToWinPos(q - 1), s);
                }
                ReplaceSelection(QString(), true);
            }
            return;
        case 13:
            if (Multi() && !ReadOnly())
                ReplaceSelection(QStringLiteral("\r\n"), true);
            return;
        case 9:
            if (Multi() && !ReadOnly())
                ReplaceSelection(QStringLiteral("\t"), true);
            return;
        default:
            break;
        }
        if (ch < 0x20 || ReadOnly())
            return;
        const DWORD style = Style();
        if ((style & ES_NUMBER) && !(ch >= '0' && ch <= '9'))
        {
            MessageBeep(MB_OK);
            return;
        }
        QString s = ToQt(std::string(1, static_cast<char>(ch)));
        if (style & ES_UPPERCASE)
            s = s.toUpper();
        else if (style & ES_LOWERCASE)
            s = s.toLower();
        ReplaceSelection(s, true);
    }

    bool CanUndo() const
    {
        return line_ ? line_->isUndoAvailable() : plain_ ? plain_->document()->isUndoAvailable() : false;
    }

    LRESULT Proc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg)
        {
        case WM_SETTEXT:
            DefWindowProc(hwnd_, msg, wp, lp);
            SetText(ToQt(lp ? reinterpret_cast<const char*>(lp) : ""));
            return TRUE;
        case WM_GETTEXT:
            return CopyOut(FromQt(WinText()), reinterpret_cast<char*>(lp), static_cast<int>(wp));
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(FromQt(WinText()).size());
        case WM_CHAR:
            Char(static_cast<int>(wp & 0xFF));
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            // Characters come as WM_CHAR; navigation and Delete are replayed to the widget.
            if (wp == VK_DELETE && ReadOnly())
                return 0;
            if (wp == VK_DELETE && msg == WM_KEYDOWN)
            {
                int s, e;
                Selection(&s, &e);
                if (s == e)
                    SetSelection(s,
                                 ToWinPos(std::min<int>(ToQtPos(s) + 1, static_cast<int>(QtText().size()))));
                ReplaceSelection(QString(), true);
                return 0;
            }
            ReplayKey(static_cast<UINT>(wp), msg == WM_KEYDOWN, false);
            return 0;
        case WM_GETDLGCODE:
        {
            LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
            if (Multi())
            {
                code |= DLGC_WANTALLKEYS;
                auto* m = reinterpret_cast<const MSG*>(lp);
                if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN && !(Style() & ES_WANTRETURN))
                    code &= ~DLGC_WANTALLKEYS; // Enter goes to the default button
                if (m && m->message == WM_KEYDOWN && (m->wParam == VK_ESCAPE || m->wParam == VK_TAB))
                    code &= ~DLGC_WANTALLKEYS;
            }
            return code;
        }
        case EM_GETSEL:
        {
            int s, e;
            Selection(&s, &e);
            if (wp)
                *reinterpret_cast<DWORD*>(wp) = static_cast<DWORD>(s);
            if (lp)
                *reinterpret_cast<DWORD*>(lp) = static_cast<DWORD>(e);
            return MAKELRESULT(std::min(s, 0xFFFF), std::min(e, 0xFFFF));
        }
        case EM_SETSEL:
            SetSelection(static_cast<int>(wp), static_cast<int>(lp));
            return 0;
        case EM_REPLACESEL:
            ReplaceSelection(ToQt(lp ? reinterpret_cast<const char*>(lp) : ""), false);
            return 0;
        case EM_LIMITTEXT:
            // The limit holds for typing and pasting only: WM_SETTEXT still sets any text.
            limit_ = wp == 0 ? kMaxLimit : static_cast<int>(std::min<WPARAM>(wp, kMaxLimit));
            return 0;
        case EM_GETLIMITTEXT:
            return limit_;
        case EM_GETLINECOUNT:
            return LineCount();
        case EM_LINEINDEX:
            return LineIndex(static_cast<int>(wp));
        case EM_LINELENGTH:
        {
            if (static_cast<int>(wp) < 0)
            {
                int s, e;
                Selection(&s, &e);
                return LineText(LineOfQtPos(ToQtPos(s))).size();
            }
            return LineText(LineOfQtPos(ToQtPos(static_cast<int>(wp)))).size();
        }
        case EM_LINEFROMCHAR:
        {
            int pos = static_cast<int>(wp);
            if (pos < 0)
            {
                int e;
                Selection(&pos, &e);
            }
            return LineOfQtPos(ToQtPos(pos));
        }
        case EM_GETLINE:
        {
            // The first WORD of the buffer holds its size; no NUL is added.
            auto* buf = reinterpret_cast<char*>(lp);
            if (!buf || static_cast<int>(wp) >= LineCount())
                return 0;
            WORD size = 0;
            std::memcpy(&size, buf, sizeof(size));
            const std::string line = FromQt(LineText(static_cast<int>(wp)));
            const size_t n = std::min<size_t>(line.size(), size);
            std::memcpy(buf, line.data(), n);
            return static_cast<LRESULT>(n);
        }
        case EM_GETFIRSTVISIBLELINE:
            return plain_ ? plain_->cursorForPosition(QPoint(1, 1)).blockNumber() : 0;
        case EM_SETREADONLY:
            SetReadOnly(wp != 0);
            colorMsg_ = wp ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
            return TRUE;
        case EM_GETMODIFY:
            return modified_;
        case EM_SETMODIFY:
            modified_ = wp != 0;
            return 0;
        case EM_CANUNDO:
            return CanUndo();
        case EM_UNDO:
        case WM_UNDO:
            if (!CanUndo())
                return FALSE;
            userChange_ = true;
            line_ ? line_->undo() : plain_->undo();
            userChange_ = false;
            return TRUE;
        case EM_EMPTYUNDOBUFFER:
            if (plain_)
                plain_->document()->clearUndoRedoStacks();
            else if (line_)
            {
                // QLineEdit forgets its history when its text is set anew.
                const QString t = line_->text();
                int s, e;
                Selection(&s, &e);
                programmatic_ = true;
                line_->setText(t);
                programmatic_ = false;
                SetSelection(s, e);
            }
            return 0;
        case WM_COPY:
        case WM_CUT:
        {
            int s, e;
            Selection(&s, &e);
            if (s == e || (Style() & ES_PASSWORD))
                return 0;
            const QString t = WinText().mid(s, e - s);
            QApplication::clipboard()->setText(Multi() ? FromWin(t) : t);
            if (msg == WM_CUT && !ReadOnly())
                ReplaceSelection(QString(), true);
            return 0;
        }
        case WM_PASTE:
            if (!ReadOnly())
                ReplaceSelection(QApplication::clipboard()->text(), true);
            return 0;
        case WM_CLEAR:
            if (!ReadOnly())
                ReplaceSelection(QString(), true);
            return 0;
        case EM_SCROLLCARET:
            if (plain_)
                plain_->ensureCursorVisible();
            return TRUE;
        case EM_LINESCROLL:
            if (plain_)
            {
                plain_->verticalScrollBar()->setValue(plain_->verticalScrollBar()->value() +
                                                      static_cast<int>(lp));
                plain_->horizontalScrollBar()->setValue(plain_->horizontalScrollBar()->value() +
                                                        static_cast<int>(wp) *
                                                            plain_->fontMetrics().averageCharWidth());
            }
            return TRUE;
        case EM_SETPASSWORDCHAR:
            if (line_)
                line_->setEchoMode(wp ? QLineEdit::Password : QLineEdit::Normal);
            return 0;
        case EM_SETMARGINS:
            if (line_)
                line_->setTextMargins(wp & EC_LEFTMARGIN ? LOWORD(lp) : line_->textMargins().left(), 0,
                                      wp & EC_RIGHTMARGIN ? HIWORD(lp) : line_->textMargins().right(), 0);
            return 0;
        default:
            break;
        }
        return Control::Proc(msg, wp, lp);
    }

protected:
    void OnFocus(bool gained) override { Command(gained ? EN_SETFOCUS : EN_KILLFOCUS); }

private:
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* plain_ = nullptr;
    int limit_ = kDefaultLimit;
    bool programmatic_ = false;
    bool userChange_ = false;
    bool modified_ = false;
};

} // namespace

bool RegisterEditClass()
{
    return RegisterControlClass("Edit", ClassProc<EditControl>);
}

} // namespace kel::qt::controls
