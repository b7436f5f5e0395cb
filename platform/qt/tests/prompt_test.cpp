// The Qt prompt service, offscreen: message boxes answered by clicking their buttons, the common
// dialogs, and the conversions behind the file dialogs.
#include "PromptService.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/TempDir.h"
#include "testkit/UiTest.h"
#include "win32/kernel.h"
#include "win32/uidriver.h"
#include "win32/userdialog.h"
#include "win32qt/Prompt.h"
#include "win32qt/QtBackend.h"

#include <QtCore/QTimer>
#include <QtGui/QGuiApplication>
#include <QtGui/QKeyEvent>
#include <QtGui/QScreen>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QColorDialog>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QFileDialog>
#include <QtWidgets/QFontDialog>
#include <QtWidgets/QMessageBox>
#include <QtWidgets/QPushButton>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

namespace
{

using kel::PromptKind;
using kel::PromptRequest;

// Acts once on the first visible window of type T, from Qt's event loop (the dialog's own loop).
template <class T> void WhenShown(std::function<void(T*)> act)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout,
                     [timer, act]
                     {
                         for (QWidget* w : QApplication::topLevelWidgets())
                             if (auto* found = qobject_cast<T*>(w); found && found->isVisible())
                             {
                                 timer->stop();
                                 timer->deleteLater();
                                 act(found);
                                 return;
                             }
                     });
    timer->start(5);
}

QAbstractButton* ButtonFor(QMessageBox* box, int result)
{
    for (QAbstractButton* b : box->buttons())
        if (b->property("kelResult").toInt() == result)
            return b;
    return nullptr;
}

void Escape(QWidget* w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

class PromptServiceTest : public kel::testkit::UiTest
{
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        kel::qt::InstallPromptService();
    }
    void TearDown() override
    {
        kel::qt::RemovePromptService();
        UiTest::TearDown();
    }

    static HWND TopLevel(const char* title, DWORD visible = WS_VISIBLE)
    {
        WNDCLASS wc{};
        wc.lpfnWndProc = DefWindowProc;
        wc.lpszClassName = "PromptOwner";
        RegisterClass(&wc); // once per test; a second registration fails harmlessly
        return CreateWindowEx(0, "PromptOwner", title, WS_OVERLAPPEDWINDOW | visible, 50, 50, 300, 200,
                              nullptr, nullptr, nullptr, nullptr);
    }
};

TEST(QtStart, StartUiInstallsThePromptServiceAndStopUiTakesItAway)
{
    auto current = []
    {
        kel::IPromptService* service = kel::SetPromptService(nullptr);
        kel::SetPromptService(service);
        return service;
    };
    ASSERT_EQ(current(), nullptr);
    ASSERT_TRUE(kel::qt::StartUi());
    kel::IPromptService* qtService = current();
    EXPECT_NE(qtService, nullptr);
    {
        kel::testkit::ScriptedPrompts prompts; // goes over the Qt service and puts it back
        prompts.Expect("Sure?").Reply(IDNO);
        EXPECT_EQ(MessageBox(nullptr, "Sure?", "Test", MB_YESNO), IDNO);
    }
    EXPECT_EQ(current(), qtService);
    kel::qt::StopUi();
    EXPECT_EQ(current(), nullptr);
}

TEST(PromptFilters, WindowsFiltersBecomeQtNameFilters)
{
    struct Case
    {
        std::string windows;
        std::vector<std::string> qt;
    } cases[] = {
        {"Text files (*.txt)|*.txt|All files (*.*)|*.*||", {"Text files (*.txt)", "All files (*)"}},
        {std::string("Spectra\0*.ana;*.an2\0\0", 21), {"Spectra (*.ana *.an2)"}},
        {"Logs (*.log; *.txt)|*.log;*.txt||", {"Logs (*.log *.txt)"}},
        {"Data (*.dat)|*.dat;*.DAT||", {"Data (*.dat) (*.dat *.DAT)"}}, // Qt reads the last list
        {"Temp \xB0"
         "C|*.tmp||",
         {"Temp \xC2\xB0"
          "C (*.tmp)"}},
        {"Text|*.txt|Dangling", {"Text (*.txt)"}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kel::qt::NameFiltersFromWindows(c.windows), c.qt) << c.windows;
}

TEST(PromptFilters, DefaultExtensionOnlyWhenTheNameHasNone)
{
    struct Case
    {
        const char* path;
        const char* ext;
        const char* result;
    } cases[] = {
        {"/tmp/scan", "ana", "/tmp/scan.ana"},
        {"/tmp/scan", ".ana", "/tmp/scan.ana"},
        {"/tmp/scan.v2", "ana", "/tmp/scan.v2"},
        {"/tmp/scan.ANA", "ana", "/tmp/scan.ANA"},
        {"/tmp/my.dir/scan", "ana", "/tmp/my.dir/scan.ana"},
        {"/tmp/scan", "", "/tmp/scan"},
        {"/tmp/dir/", "ana", "/tmp/dir/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(kel::qt::WithDefaultExtension(c.path, c.ext), c.result) << c.path << " + " << c.ext;
}

TEST_F(PromptServiceTest, EveryButtonOfEverySetGivesItsResult)
{
    for (UINT set : {MB_OK, MB_OKCANCEL, MB_YESNO, MB_YESNOCANCEL, MB_RETRYCANCEL, MB_ABORTRETRYIGNORE})
        for (int id : kel::MessageBoxButtons(set))
        {
            WhenShown<QMessageBox>(
                [id](QMessageBox* box)
                {
                    QAbstractButton* b = ButtonFor(box, id);
                    ASSERT_TRUE(b) << id;
                    b->click();
                });
            EXPECT_EQ(MessageBox(nullptr, "Text", "Caption", set), id) << "set " << set;
        }
}

TEST_F(PromptServiceTest, EscapeAnswersCancelOnlyWhereThereIsOne)
{
    struct Case
    {
        UINT set;
        int onEscape; // 0: the box stays open
    } cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL, IDCANCEL},
        {MB_YESNO, 0},
        {MB_YESNOCANCEL, IDCANCEL},
        {MB_RETRYCANCEL, IDCANCEL},
        {MB_ABORTRETRYIGNORE, 0},
    };
    for (const Case& c : cases)
    {
        bool stayed = false;
        WhenShown<QMessageBox>(
            [&](QMessageBox* box)
            {
                Escape(box);
                box->close();
                stayed = box->isVisible();
                if (stayed)
                    ButtonFor(box, kel::MessageBoxButtons(c.set).back())->click();
            });
        int result = MessageBox(nullptr, "Text", "Caption", c.set);
        if (c.onEscape)
        {
            EXPECT_FALSE(stayed) << "set " << c.set;
            EXPECT_EQ(result, c.onEscape) << "set " << c.set;
        }
        else
            EXPECT_TRUE(stayed) << "set " << c.set << ": neither Escape nor the close box may answer";
    }
}

TEST_F(PromptServiceTest, TextIconAndDefaultButton)
{
    struct Case
    {
        UINT flags;
        QMessageBox::Icon icon;
        int defaultResult;
    } cases[] = {
        {MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2, QMessageBox::Question, IDNO},
        {MB_OKCANCEL | MB_ICONSTOP | MB_DEFBUTTON3, QMessageBox::Critical, IDOK}, // past the set: the first
        {MB_ABORTRETRYIGNORE | MB_ICONWARNING | MB_DEFBUTTON3, QMessageBox::Warning, IDIGNORE},
        {MB_OK | MB_ICONINFORMATION, QMessageBox::Information, IDOK},
    };
    for (const Case& c : cases)
    {
        QString text, title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        int defaultResult = 0;
        WhenShown<QMessageBox>(
            [&](QMessageBox* box)
            {
                text = box->text();
                title = box->windowTitle();
                icon = box->icon();
                defaultResult =
                    box->defaultButton() ? box->defaultButton()->property("kelResult").toInt() : 0;
                box->defaultButton()->click();
            });
        EXPECT_EQ(MessageBox(nullptr,
                             "Pressure 1\xB7"
                             "10\xB3 mbar",
                             "Caf\xE9", c.flags),
                  c.defaultResult);
        EXPECT_EQ(text, QString::fromUtf8("Pressure 1\u00B710\u00B3 mbar"));
        EXPECT_EQ(title, QString::fromUtf8("Caf\u00E9"));
        EXPECT_EQ(icon, c.icon);
        EXPECT_EQ(defaultResult, c.defaultResult);
    }
}

TEST_F(PromptServiceTest, ModalToTheOwnerOrTheWholeTask)
{
    HWND owner = TopLevel("Owner");
    HWND other = TopLevel("Other", 0); // hidden: task-modal boxes disable it all the same
    ASSERT_TRUE(owner && other);
    struct Seen
    {
        bool ownerEnabled = true, otherEnabled = true;
        Qt::WindowModality modality = Qt::NonModal;
    } seen;
    auto watch = [&]
    {
        WhenShown<QMessageBox>(
            [&](QMessageBox* box)
            {
                seen.ownerEnabled = IsWindowEnabled(owner);
                seen.otherEnabled = IsWindowEnabled(other);
                seen.modality = box->windowModality();
                box->buttons().front()->click();
            });
    };
    watch();
    MessageBox(owner, "Owned", "Caption", MB_OK);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_TRUE(seen.otherEnabled);
    EXPECT_EQ(seen.modality, Qt::WindowModal);

    watch();
    MessageBox(owner, "Task", "Caption", MB_OK | MB_TASKMODAL);
    EXPECT_FALSE(seen.ownerEnabled);
    EXPECT_FALSE(seen.otherEnabled);
    EXPECT_EQ(seen.modality, Qt::ApplicationModal);

    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_TRUE(IsWindowEnabled(other));
}

DWORD WINAPI AskFromWorker(LPVOID result)
{
    *static_cast<std::atomic<int>*>(result) = MessageBox(nullptr, "From a worker", "Worker", MB_YESNO);
    return 0;
}

TEST_F(PromptServiceTest, WorkersMessageBoxShowsWhileTheUserInterfaceThreadWaits)
{
    WhenShown<QMessageBox>([](QMessageBox* box) { ButtonFor(box, IDNO)->click(); });
    std::atomic<int> result{0};
    HANDLE thread = CreateThread(nullptr, 0, AskFromWorker, &result, 0, nullptr);
    ASSERT_TRUE(thread);
    EXPECT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(result.load(), IDNO);
}

TEST_F(PromptServiceTest, DialogTemplatesAreRunByTheDialogManager)
{
    PromptRequest r;
    r.kind = PromptKind::Dialog;
    r.templateId = 100;
    kel::PromptReply reply = kel::Prompt(r);
    EXPECT_TRUE(reply.run);
    EXPECT_FALSE(reply.drive);
}

class FileDialogTest : public PromptServiceTest
{
protected:
    PromptRequest Save() const
    {
        PromptRequest r;
        r.kind = PromptKind::FileSave;
        r.initialDir = m_dir.path().string();
        r.defaultExt = "ana";
        r.filter = "Spectra (*.ana)|*.ana|All files (*.*)|*.*||";
        r.flags = kel::kPromptOverwritePrompt;
        return r;
    }
    kel::testkit::TempDir m_dir{"kel-prompt-"};
};

TEST_F(FileDialogTest, SaveAddsTheDefaultExtensionOnlyToABareName)
{
    for (auto [typed, chosen] : {std::pair{"scan", "scan.ana"}, std::pair{"scan.v2", "scan.v2"}})
    {
        QStringList filters;
        WhenShown<QFileDialog>(
            [&, typed = typed](QFileDialog* d)
            {
                filters = d->nameFilters();
                d->selectFile(QString::fromLatin1(typed));
                static_cast<QDialog*>(d)->accept();
            });
        kel::PromptReply reply = kel::Prompt(Save());
        EXPECT_EQ(reply.result, IDOK);
        ASSERT_EQ(reply.paths.size(), 1u);
        EXPECT_EQ(reply.paths[0], (m_dir / chosen).string());
        EXPECT_EQ(filters, (QStringList{"Spectra (*.ana)", "All files (*)"}));
    }
}

TEST_F(FileDialogTest, OverwriteQuestionNamesTheFileThatWouldBeReplaced)
{
    std::ofstream(m_dir / "old.ana") << "x";
    QString question;
    WhenShown<QFileDialog>(
        [&](QFileDialog* d)
        {
            WhenShown<QMessageBox>(
                [&](QMessageBox* box)
                {
                    question = box->text();
                    box->button(QMessageBox::Yes)->click();
                });
            d->selectFile(QStringLiteral("old"));
            static_cast<QDialog*>(d)->accept();
        });
    kel::PromptReply reply = kel::Prompt(Save());
    EXPECT_EQ(reply.result, IDOK);
    ASSERT_EQ(reply.paths.size(), 1u);
    EXPECT_EQ(reply.paths[0], (m_dir / "old.ana").string());
    EXPECT_TRUE(question.contains(QStringLiteral("old.ana"))) << question.toStdString();
}

TEST_F(FileDialogTest, CancelGivesNoPath)
{
    WhenShown<QFileDialog>([](QFileDialog* d) { d->reject(); });
    kel::PromptReply reply = kel::Prompt(Save());
    EXPECT_EQ(reply.result, IDCANCEL);
    EXPECT_TRUE(reply.paths.empty());
}

TEST_F(FileDialogTest, FolderPicker)
{
    std::filesystem::create_directory(m_dir / "data");
    WhenShown<QFileDialog>(
        [&](QFileDialog* d)
        {
            d->selectFile(QString::fromStdString((m_dir / "data").string()));
            static_cast<QDialog*>(d)->accept();
        });
    PromptRequest r;
    r.kind = PromptKind::Folder;
    r.initialDir = m_dir.path().string();
    kel::PromptReply reply = kel::Prompt(r);
    EXPECT_EQ(reply.result, IDOK);
    ASSERT_EQ(reply.paths.size(), 1u);
    EXPECT_EQ(reply.paths[0], (m_dir / "data").string());
}

TEST_F(PromptServiceTest, ColourAndFontDialogs)
{
    QColor initial;
    WhenShown<QColorDialog>(
        [&](QColorDialog* d)
        {
            initial = d->currentColor();
            d->setCurrentColor(QColor(10, 20, 30));
            d->accept();
        });
    PromptRequest r;
    r.kind = PromptKind::Color;
    r.color = RGB(200, 100, 50);
    kel::PromptReply reply = kel::Prompt(r);
    EXPECT_EQ(reply.result, IDOK);
    EXPECT_EQ(reply.color, RGB(10, 20, 30));
    EXPECT_EQ(initial, QColor(200, 100, 50));

    WhenShown<QFontDialog>(
        [](QFontDialog* d)
        {
            QFont f(QStringLiteral("Liberation Sans"));
            f.setPointSize(12);
            f.setWeight(QFont::Bold);
            f.setItalic(true);
            f.setUnderline(true);
            d->setCurrentFont(f);
            d->accept();
        });
    PromptRequest fr;
    fr.kind = PromptKind::Font;
    fr.font.face = "Arial";
    fr.font.height = -13;
    reply = kel::Prompt(fr);
    EXPECT_EQ(reply.result, IDOK);
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    EXPECT_EQ(reply.font.height, -std::lround(12 * dpi / 72));
    EXPECT_EQ(reply.font.weight, 700);
    EXPECT_TRUE(reply.font.italic);
    EXPECT_TRUE(reply.font.underline);
    EXPECT_FALSE(reply.font.face.empty());
}

TEST_F(PromptServiceTest, FontDialogEffectsOfferTheTextColourAndNoStrikeout)
{
    struct Case
    {
        COLORREF start;
        const char* pick; // colour item chosen, nullptr: left as it opened
        COLORREF want;
        const char* shownFirst;
    } cases[] = {
        {RGB(0, 0, 128), "Red", RGB(255, 0, 0), "Navy"},
        {RGB(0, 0, 128), nullptr, RGB(0, 0, 128), "Navy"},
        {RGB(1, 2, 3), nullptr, RGB(1, 2, 3), "Custom"}, // not a basic colour: kept as it is
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.shownFirst);
        QString shown;
        bool strikeoutShown = true;
        WhenShown<QFontDialog>(
            [&](QFontDialog* d)
            {
                strikeoutShown = false;
                for (QCheckBox* box : d->findChildren<QCheckBox*>())
                    if (box->text().remove('&').contains("Strikeout") && box->isVisible())
                        strikeoutShown = true;
                auto* colors = d->findChild<QComboBox*>("kelFontColor");
                ASSERT_TRUE(colors);
                shown = colors->currentText();
                if (c.pick)
                    colors->setCurrentIndex(colors->findText(c.pick));
                d->accept();
            });
        PromptRequest r;
        r.kind = PromptKind::Font;
        r.flags = 0x101; // screen fonts, effects
        r.color = c.start;
        r.font.face = "Arial";
        const kel::PromptReply reply = kel::Prompt(r);
        EXPECT_EQ(reply.result, IDOK);
        EXPECT_EQ(reply.color, c.want);
        EXPECT_EQ(shown.toStdString(), c.shownFirst);
        EXPECT_FALSE(strikeoutShown);
    }

    // Without effects there is no colour to choose.
    bool hasColours = true;
    WhenShown<QFontDialog>(
        [&](QFontDialog* d)
        {
            hasColours = d->findChild<QComboBox*>("kelFontColor") != nullptr;
            d->accept();
        });
    PromptRequest plain;
    plain.kind = PromptKind::Font;
    plain.flags = 0x1;
    plain.color = RGB(9, 9, 9);
    EXPECT_EQ(kel::Prompt(plain).color, RGB(9, 9, 9));
    EXPECT_FALSE(hasColours);
}

// A small dialog of real controls.
const kel::rc::Control kRangeControls[] = {
    {"STATIC", {"&Low:", 0}, -1, WS_CHILD | WS_VISIBLE, 0, 7, 9, 30, 8, 0},
    {"EDIT",
     {"", 0},
     1001,
     WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL,
     0,
     40,
     7,
     50,
     12,
     0},
    {"BUTTON",
     {"&Log scale", 0},
     1002,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX,
     0,
     7,
     26,
     80,
     10,
     0},
    {"BUTTON", {"OK", 0}, IDOK, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 100, 7, 50, 14, 0},
    {"BUTTON",
     {"Cancel", 0},
     IDCANCEL,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
     0,
     100,
     24,
     50,
     14,
     0},
};

kel::rc::Dialog RangeTemplate()
{
    kel::rc::Dialog t{};
    t.name = {nullptr, 120};
    t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.cx = 160;
    t.cy = 45;
    t.caption = "Range";
    t.hasFont = true;
    t.font = {8, "MS Shell Dlg", 400, 0, 1};
    t.menu = {"", 0};
    t.className = {"", 0};
    t.controls = kRangeControls;
    t.controlCount = std::size(kRangeControls);
    return t;
}

struct RangeResult
{
    int low = -1;
    bool log = false;
};

INT_PTR CALLBACK RangeProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG)
    {
        SetWindowLongPtr(hDlg, DWLP_USER, lParam);
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL))
    {
        auto* result = reinterpret_cast<RangeResult*>(GetWindowLongPtr(hDlg, DWLP_USER));
        BOOL ok = FALSE;
        result->low = static_cast<int>(GetDlgItemInt(hDlg, 1001, &ok, TRUE));
        result->log = IsDlgButtonChecked(hDlg, 1002) == BST_CHECKED;
        EndDialog(hDlg, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

TEST_F(PromptServiceTest, DialogUnitsComeFromTheDialogFont)
{
    kel::rc::Dialog t = RangeTemplate();
    HWND hDlg = CreateDialogIndirectParam(nullptr, &t, nullptr, RangeProc, 0);
    ASSERT_TRUE(hDlg);
    RECT r{0, 0, 4, 8};
    MapDialogRect(hDlg, &r);
    // An 8-point sans serif at the screen's dpi: about the classic 6x13.
    EXPECT_GE(r.right, 5);
    EXPECT_LE(r.right, 8);
    EXPECT_GE(r.bottom, 12);
    EXPECT_LE(r.bottom, 16);
    EXPECT_NE(SendMessage(hDlg, WM_GETFONT, 0, 0), 0);
    DestroyWindow(hDlg);
}

TEST_F(PromptServiceTest, ResponderDrivesADialogOfRealControls)
{
    kel::testkit::ScriptedPrompts prompts; // answers in place of the Qt service
    prompts.Expect(120).Drive(
        [](kel::testkit::DialogDriver& d)
        {
            EXPECT_EQ(d.FocusedId(), 1001);
            d.SetText(1001, "-40");
            d.Check(1002);
            d.Press(VK_RETURN);
        });
    kel::rc::Dialog t = RangeTemplate();
    RangeResult result;
    EXPECT_EQ(DialogBoxIndirectParam(nullptr, &t, nullptr, RangeProc, reinterpret_cast<LPARAM>(&result)),
              IDOK);
    EXPECT_EQ(result.low, -40);
    EXPECT_TRUE(result.log);
}

} // namespace
