// The prompt service of the Qt backend: message boxes and the common dialogs with Qt's own
// (non-native, so they work offscreen) dialogs, and the dialog font measure.
#include "PromptService.h"
#include "GdiPrint.h"

#include "QtGdi.h"

#include "win32/codepage.h"
#include "win32/kernel.h"
#include "win32/uidriver.h"
#include "win32/userdialog.h"
#include "win32qt/Prompt.h"

#include <QtCore/QTimer>
#include <QtGui/QFontMetrics>
#include <QtGui/QIcon>
#include <QtGui/QPixmap>
#include <QtGui/QGuiApplication>
#include <QtGui/QScreen>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFontDialog>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLayout>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace kel::qt
{

namespace
{

constexpr size_t kMaxPath = 260;

QString Text(const std::string& cp1252)
{
    return QString::fromStdString(kel::Cp1252ToUtf8(cp1252));
}

// Qt's text as cp1252; false when it holds a character cp1252 has not.
bool ToCp1252(const QString& text, std::string* out)
{
    out->clear();
    for (char32_t c : text.toUcs4())
    {
        int b = kel::CodePointToCp1252(c);
        if (b < 0)
            return false;
        out->push_back(static_cast<char>(b));
    }
    return true;
}

double ScreenDpi()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

// The top-level widget of the owner window; nullptr for none.
QWidget* OwnerWidget(HWND owner)
{
    if (!owner || !IsWindow(owner))
        return nullptr;
    HWND top = GetAncestor(owner, GA_ROOT);
    auto* widget = static_cast<QWidget*>(kel::ui::GetSurface(top ? top : owner));
    return widget ? widget->window() : nullptr;
}

// The windows a prompt makes unusable while it is up: the owner's top-level (application modal),
// or every top-level window of the thread (task modal, or no owner). Enabled again afterwards.
class ModalScope
{
public:
    ModalScope(HWND owner, bool taskModal) : m_owner(owner), m_taskModal(taskModal) {}
    // Disables the windows (Exec does it each time the dialog is shown).
    void Engage()
    {
        if (m_taskModal || !m_owner)
        {
            EnumThreadWindows(
                GetCurrentThreadId(),
                [](HWND hwnd, LPARAM self) -> BOOL
                {
                    reinterpret_cast<ModalScope*>(self)->Disable(hwnd);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(this));
        }
        else if (HWND top = GetAncestor(m_owner, GA_ROOT))
            Disable(top);
    }
    ~ModalScope() { Release(); }
    // Enables the windows again (before the prompt's window goes, so activation can return to them).
    void Release()
    {
        for (HWND hwnd : m_disabled)
            if (IsWindow(hwnd))
                EnableWindow(hwnd, TRUE);
        m_disabled.clear();
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;

private:
    void Disable(HWND hwnd)
    {
        if (IsWindowEnabled(hwnd))
        {
            EnableWindow(hwnd, FALSE);
            m_disabled.push_back(hwnd);
        }
    }
    HWND m_owner;
    bool m_taskModal;
    std::vector<HWND> m_disabled;
};

// Releases a modal scope when its dialog hides, before the window system moves activation.
class ReleaseOnHide : public QObject
{
public:
    explicit ReleaseOnHide(ModalScope& scope) : m_scope(scope) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide)
            m_scope.Release();
        return QObject::eventFilter(watched, event);
    }

private:
    ModalScope& m_scope;
};

// Runs a Qt dialog modal to the windows of `scope`; our queue keeps running meanwhile
// (cross-thread sends, timers, worker prompts).
int Exec(QDialog& dialog, ModalScope& scope)
{
    QTimer serve;
    if (kel::ui::UiThreadId() != 0)
    {
        QObject::connect(&serve, &QTimer::timeout, [] { kel::ui::ServeMessagesWhileModal(); });
        serve.start(50);
    }
    scope.Engage();
    ReleaseOnHide release(scope);
    dialog.installEventFilter(&release);
    // Made after the owner was disabled, the dialog inherited that; as a window it may be enabled.
    dialog.setEnabled(true);
    int result = dialog.exec();
    dialog.removeEventFilter(&release);
    return result;
}

const char* ButtonLabel(int id)
{
    switch (id)
    {
    case IDOK:
        return "OK";
    case IDCANCEL:
        return "Cancel";
    case IDYES:
        return "&Yes";
    case IDNO:
        return "&No";
    case IDRETRY:
        return "&Retry";
    case IDABORT:
        return "&Abort";
    case IDIGNORE:
        return "&Ignore";
    case IDTRYAGAIN:
        return "&Try Again";
    case IDCONTINUE:
        return "&Continue";
    default:
        return "?";
    }
}

PromptReply MessageBoxPrompt(const PromptRequest& r)
{
    QMessageBox box(OwnerWidget(r.owner));
    box.setWindowTitle(Text(r.caption));
    box.setText(Text(r.text));
    box.setTextFormat(Qt::PlainText);
    switch (r.flags & MB_ICONMASK)
    {
    case MB_ICONHAND:
        box.setIcon(QMessageBox::Critical);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case MB_ICONEXCLAMATION:
        box.setIcon(QMessageBox::Warning);
        break;
    case MB_ICONASTERISK:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }

    // Only OK and Cancel get roles Qt reads as "escape": Escape and the close box must not answer
    // No or Abort, which Windows never does.
    const std::vector<int> ids = MessageBoxButtons(r.flags);
    std::vector<QPushButton*> buttons;
    QPushButton* cancel = nullptr;
    for (int id : ids)
    {
        auto role = id == IDOK       ? QMessageBox::AcceptRole
                    : id == IDCANCEL ? QMessageBox::RejectRole
                                     : QMessageBox::ActionRole;
        QPushButton* b = box.addButton(QString::fromLatin1(ButtonLabel(id)), role);
        b->setProperty("kelResult", id);
        buttons.push_back(b);
        if (id == IDCANCEL)
            cancel = b;
    }
    size_t defIndex = (r.flags & MB_DEFMASK) >> 8;
    box.setDefaultButton(buttons[defIndex < buttons.size() ? defIndex : 0]);
    if (cancel)
        box.setEscapeButton(cancel);
    else if (buttons.size() == 1)
        box.setEscapeButton(buttons.front()); // a lone OK answers Escape and the close box
    else
        box.setWindowFlag(Qt::WindowCloseButtonHint, false);
    if ((r.flags & MB_MODEMASK) == MB_SYSTEMMODAL || (r.flags & MB_TOPMOST))
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    bool taskModal = (r.flags & MB_MODEMASK) == MB_TASKMODAL;
    box.setWindowModality(r.owner && !taskModal ? Qt::WindowModal : Qt::ApplicationModal);

    ModalScope modal(r.owner, taskModal);
    Exec(box, modal);
    PromptReply reply;
    if (QAbstractButton* clicked = box.clickedButton())
        reply.result = clicked->property("kelResult").toInt();
    else
        reply.result = cancel ? IDCANCEL : ids.size() == 1 ? ids.front() : DefaultMessageBoxResult(r.flags);
    return reply;
}

// Checks chosen paths: cp1252 and shorter than the Windows path limit. Says why not to the user.
bool AcceptPaths(QWidget* parent, const QStringList& chosen, std::vector<std::string>* paths,
                 const std::string& defaultExt)
{
    paths->clear();
    for (const QString& path : chosen)
    {
        std::string p;
        QString why;
        if (!ToCp1252(path, &p))
            why =
                QStringLiteral("The name holds characters this program cannot store. Please choose another.");
        else
        {
            p = WithDefaultExtension(p, defaultExt);
            if (p.size() >= kMaxPath)
                why = QStringLiteral(
                          "The path is too long (at most %1 characters). Please choose a shorter one.")
                          .arg(kMaxPath - 1);
        }
        if (!why.isEmpty())
        {
            QMessageBox::warning(parent, QStringLiteral("File name"), path + QStringLiteral("\n\n") + why);
            return false;
        }
        paths->push_back(p);
    }
    return !paths->empty();
}

PromptReply FilePrompt(const PromptRequest& r)
{
    const bool save = r.kind == PromptKind::FileSave;
    const bool folder = r.kind == PromptKind::Folder;
    QWidget* parent = OwnerWidget(r.owner);
    QString title = Text(r.text.empty() ? (save ? "Save As" : folder ? "Select Folder" : "Open") : r.text);
    QFileDialog dialog(parent, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (folder)
    {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        std::string start = r.fileName.empty() ? r.initialDir : r.fileName;
        if (!start.empty())
            dialog.setDirectory(Text(start));
    }
    else
    {
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        if (save)
            dialog.setFileMode(QFileDialog::AnyFile);
        else if (r.flags & kPromptAllowMultiSelect)
            dialog.setFileMode(QFileDialog::ExistingFiles);
        else
            dialog.setFileMode((r.flags & kPromptFileMustExist) ? QFileDialog::ExistingFile
                                                                : QFileDialog::AnyFile);
        if (!(r.flags & kPromptOverwritePrompt))
            dialog.setOption(QFileDialog::DontConfirmOverwrite);
        // Qt adds the extension before its overwrite question, so the question names the real file.
        if (!r.defaultExt.empty())
            dialog.setDefaultSuffix(Text(r.defaultExt));
        QStringList filters;
        for (const std::string& f : NameFiltersFromWindows(r.filter))
            filters << QString::fromStdString(f);
        if (!filters.isEmpty())
            dialog.setNameFilters(filters);
        if (!r.initialDir.empty())
            dialog.setDirectory(Text(r.initialDir));
        if (!r.fileName.empty())
            dialog.selectFile(Text(r.fileName));
    }

    ModalScope modal(r.owner, false);
    PromptReply reply;
    reply.result = IDCANCEL;
    while (Exec(dialog, modal) == QDialog::Accepted)
    {
        if (AcceptPaths(&dialog, dialog.selectedFiles(), &reply.paths, folder ? std::string() : r.defaultExt))
        {
            reply.result = IDOK;
            break;
        }
    }
    return reply;
}

PromptReply ColorPrompt(const PromptRequest& r)
{
    QColorDialog dialog(QColor(GetRValue(r.color), GetGValue(r.color), GetBValue(r.color)),
                        OwnerWidget(r.owner));
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (!r.caption.empty())
        dialog.setWindowTitle(Text(r.caption));
    ModalScope modal(r.owner, false);
    PromptReply reply;
    reply.result = IDCANCEL;
    if (Exec(dialog, modal) == QDialog::Accepted)
    {
        QColor c = dialog.selectedColor();
        reply.result = IDOK;
        reply.color = RGB(c.red(), c.green(), c.blue());
    }
    return reply;
}

// The font dialog's effects as the program uses them: the strikeout box goes (a font here carries
// no strikeout), and with the effects flag (CF_EFFECTS) a colour list (the sixteen basic colours, plus the
// starting colour when it is none of them) is added beside the underline box.
constexpr UINT kFontEffects = 0x00000100;

QComboBox* AddFontEffects(QFontDialog& dialog, const PromptRequest& r)
{
    QCheckBox* underline = nullptr;
    for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
    {
        const QString text = box->text().remove(QLatin1Char('&'));
        if (text.contains(QStringLiteral("Strikeout"), Qt::CaseInsensitive))
            box->hide();
        else if (text.contains(QStringLiteral("Underline"), Qt::CaseInsensitive))
            underline = box;
    }
    if (!(r.flags & kFontEffects) || underline == nullptr || underline->parentWidget() == nullptr ||
        underline->parentWidget()->layout() == nullptr)
        return nullptr;
    static const COLORREF kBasic[] = {
        RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
        RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(128, 128, 128),
        RGB(192, 192, 192), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
        RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};
    static const char* const kNames[] = {"Black", "Maroon",  "Green",  "Olive", "Navy", "Purple",
                                         "Teal",  "Gray",    "Silver", "Red",   "Lime", "Yellow",
                                         "Blue",  "Fuchsia", "Aqua",   "White"};
    auto* combo = new QComboBox(underline->parentWidget());
    combo->setObjectName(QStringLiteral("kelFontColor"));
    auto add = [combo](COLORREF c, const QString& name)
    {
        QPixmap swatch(16, 12);
        swatch.fill(QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
        combo->addItem(QIcon(swatch), name, QVariant::fromValue(static_cast<uint>(c)));
    };
    for (size_t i = 0; i < std::size(kBasic); ++i)
        add(kBasic[i], QString::fromLatin1(kNames[i]));
    int current =
        static_cast<int>(std::find(std::begin(kBasic), std::end(kBasic), r.color) - std::begin(kBasic));
    if (current == static_cast<int>(std::size(kBasic)))
        add(r.color, QStringLiteral("Custom"));
    combo->setCurrentIndex(current);
    auto* label = new QLabel(QStringLiteral("&Color:"), underline->parentWidget());
    label->setBuddy(combo);
    underline->parentWidget()->layout()->addWidget(label);
    underline->parentWidget()->layout()->addWidget(combo);
    return combo;
}

PromptReply FontPrompt(const PromptRequest& r)
{
    const double dpi = ScreenDpi();
    QFont initial(Text(r.font.face.empty() ? std::string("Arial") : r.font.face));
    if (r.font.height < 0)
        initial.setPointSizeF(-r.font.height * 72.0 / dpi);
    else if (r.font.height > 0)
        initial.setPixelSize(static_cast<int>(r.font.height));
    initial.setWeight(
        static_cast<QFont::Weight>(std::clamp<int>(r.font.weight ? r.font.weight : 400, 1, 1000)));
    initial.setItalic(r.font.italic);
    initial.setUnderline(r.font.underline);
    QFontDialog dialog(initial, OwnerWidget(r.owner));
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (!r.caption.empty())
        dialog.setWindowTitle(Text(r.caption));
    QComboBox* colors = AddFontEffects(dialog, r);
    ModalScope modal(r.owner, false);
    PromptReply reply;
    reply.result = IDCANCEL;
    if (Exec(dialog, modal) == QDialog::Accepted)
    {
        QFont f = dialog.selectedFont();
        reply.result = IDOK;
        reply.color = r.color;
        if (colors != nullptr && colors->currentIndex() >= 0)
            reply.color = static_cast<COLORREF>(colors->currentData().toUInt());
        ToCp1252(f.family(), &reply.font.face);
        double points = f.pointSizeF() > 0 ? f.pointSizeF() : f.pixelSize() * 72.0 / dpi;
        reply.font.height = -static_cast<LONG>(std::lround(points * dpi / 72.0));
        reply.font.pointSize10 = static_cast<int>(std::lround(points * 10.0));
        reply.font.weight = f.weight();
        reply.font.italic = f.italic();
        reply.font.underline = f.underline();
    }
    return reply;
}

class QtPromptService : public IPromptService
{
public:
    PromptReply Prompt(const PromptRequest& request) override
    {
        if (request.kind == PromptKind::Dialog)
        {
            PromptReply reply;
            reply.run = true; // the dialog manager shows it
            return reply;
        }
        // Qt's dialogs live on the user-interface thread; a worker waits for the answer.
        PromptReply reply;
        kel::ui::RunOnUiThread(
            [&]() -> LRESULT
            {
                reply = ShowPrompt(request);
                return 0;
            });
        return reply;
    }
};

// Dialog base units from the font as the drawing side maps it: the average width of A-Z a-z
// (rounded as Windows does) and the font's height.
bool MeasureDialogFont(const kel::rc::DialogFont& font, kel::ui::DialogFontMetrics* metrics)
{
    LOGFONT lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(font.pointSize * ScreenDpi() / 72.0));
    lf.lfWeight = font.weight ? font.weight : FW_NORMAL;
    lf.lfItalic = font.italic;
    lf.lfCharSet = font.charset;
    std::snprintf(lf.lfFaceName, sizeof lf.lfFaceName, "%s", font.face ? font.face : "");
    QFontMetrics fm(FontFromLog(lf));
    int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    metrics->baseX = (width / 26 + 1) / 2;
    metrics->baseY = fm.height();
    metrics->font = CreateFontIndirect(&lf);
    return metrics->baseX > 0 && metrics->baseY > 0;
}

// Windows patterns ("*.txt; *.log") as Qt writes them ("*.txt *.log"). "*.*" is every file on
// Windows, also those without a dot.
std::string NormalizePatterns(const std::string& list)
{
    std::string out, one;
    auto flush = [&]
    {
        if (one == "*.*")
            one = "*";
        if (!one.empty())
            out += (out.empty() ? "" : " ") + one;
        one.clear();
    };
    for (char c : list)
    {
        if (c == ';' || c == ' ')
            flush();
        else
            one += c;
    }
    flush();
    return out;
}

std::mutex g_installMutex;
bool g_installed = false;
IPromptService* g_previous = nullptr;

} // namespace

std::vector<std::string> NameFiltersFromWindows(const std::string& filter)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : kel::Cp1252ToUtf8(filter))
    {
        if (c == '|' || c == '\0')
        {
            parts.push_back(part);
            part.clear();
        }
        else
            part += c;
    }
    if (!part.empty())
        parts.push_back(part);

    std::vector<std::string> out;
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
    {
        if (parts[i].empty())
            break; // the "||" that ends the list
        std::string patterns = NormalizePatterns(parts[i + 1]);
        if (patterns.empty())
            continue;
        std::string text = parts[i];
        // Qt reads the patterns from the parentheses at the end of the text.
        size_t open = text.rfind('(');
        if (!text.empty() && text.back() == ')' && open != std::string::npos &&
            NormalizePatterns(text.substr(open + 1, text.size() - open - 2)) == patterns)
            text = text.substr(0, open + 1) + patterns + ")";
        else
            text += " (" + patterns + ")";
        out.push_back(text);
    }
    return out;
}

std::string WithDefaultExtension(const std::string& path, const std::string& ext)
{
    if (ext.empty() || path.empty() || path.back() == '/')
        return path;
    size_t slash = path.rfind('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.find('.') != std::string::npos)
        return path;
    return path + "." + (ext.front() == '.' ? ext.substr(1) : ext);
}

PromptReply ShowPrompt(const PromptRequest& request)
{
    switch (request.kind)
    {
    case PromptKind::MessageBox:
        return MessageBoxPrompt(request);
    case PromptKind::FileOpen:
    case PromptKind::FileSave:
    case PromptKind::Folder:
        return FilePrompt(request);
    case PromptKind::Color:
        return ColorPrompt(request);
    case PromptKind::Font:
        return FontPrompt(request);
    case PromptKind::Dialog:
    {
        PromptReply reply;
        reply.run = true;
        return reply;
    }
    case PromptKind::Print:
    case PromptKind::PrintSetup:
        return PrintPrompt(request); // GdiPrint.h
    }
    std::fprintf(stderr, "[prompt %s] no dialog for this kind; cancelled\n", PromptKindName(request.kind));
    PromptReply reply;
    reply.result = IDCANCEL;
    return reply;
}

void InstallPromptService()
{
    static QtPromptService service; // stateless; outlives every prompt
    std::lock_guard lock(g_installMutex);
    if (g_installed)
        return;
    g_installed = true;
    g_previous = SetPromptService(&service);
    kel::ui::SetDialogFontMeasure(MeasureDialogFont);
}

void RemovePromptService()
{
    std::lock_guard lock(g_installMutex);
    if (!g_installed)
        return;
    g_installed = false;
    SetPromptService(g_previous);
    kel::ui::SetDialogFontMeasure(nullptr);
    g_previous = nullptr;
}

} // namespace kel::qt
