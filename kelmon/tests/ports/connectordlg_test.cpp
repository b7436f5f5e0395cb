// The connector list driven as a user would: SOFT0 listed, connected and disconnected for the
// document that opened it, its binding and activity shown, and a running scan refusing.
#include "dialogs/ConnectorDlg.h"
#include "testkit/NoRealPorts.h"
#include "res/resource.h"

#include "testkit/ScriptedPrompts.h"
#include "testkit/UiTest.h"

#include <gtest/gtest.h>

using kel::testkit::DialogDriver;
using kel::testkit::ScriptedPrompts;

namespace
{

class ListDocument : public IPortDocument
{
public:
    BOOL IsScanning() override { return scanning; }
    std::string GetTitle() override { return "Spectrum1"; }
    BOOL WarnIfScanRunning() override
    {
        warnings += scanning;
        return scanning;
    }
    void RefreshHead() override { ++refreshes; }
    void SetHead(std::shared_ptr<CInstrumentDesc> desc) override { head = std::move(desc); }
    void ShowHeadInfo() override { ++infoShown; }

    int scanning = 0;
    int infoShown = 0;
    int warnings = 0;
    int refreshes = 0;
    std::shared_ptr<CInstrumentDesc> head;
};

// The texts of one row of the list, column by column.
std::vector<std::string> Row(HWND list, int row)
{
    std::vector<std::string> cells;
    for (int column = 0; column < 6; ++column)
    {
        char text[128] = {};
        LVITEM item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessage(list, LVM_GETITEMTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        cells.emplace_back(text);
    }
    return cells;
}

std::string Caption(HWND wnd)
{
    char text[128] = {};
    GetWindowText(wnd, text, sizeof text);
    return text;
}

class ConnectorDlgTest : public kel::testkit::UiTest
{
protected:
    INT_PTR Run()
    {
        CConnectorDlg dlg;
        dlg.m_pDocument = &doc;
        dlg.m_pPorts = &ports;
        dlg.m_pRegistry = &registry;
        return dlg.DoModal();
    }

    ScriptedPrompts prompts;
    CPortList ports;
    CPortBindingRegistry registry;
    ListDocument doc;
};

TEST_F(ConnectorDlgTest, ListsSoft0AndConnectsAndDisconnectsItForTheDocument)
{
    using Cells = std::vector<std::string>;
    prompts.Expect(IDD_CONNECTOR_LIST)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_EQ(Caption(d.Dialog()), "Connector list for Spectrum1");
                HWND list = d.Item(IDC_CONNECTOR_LIST);
                ASSERT_EQ(SendMessage(list, LVM_GETITEMCOUNT, 0, 0), 1);
                EXPECT_EQ(Row(list, 0),
                          (Cells{"SOFT0", "KEL", "ZOLKEL200VIRTUAL", "disconnected", "None", ""}));
                EXPECT_EQ(d.GetText(IDC_CONNECTOR_CONNECT), "Connect");

                d.Click(IDC_CONNECTOR_CONNECT);
                EXPECT_EQ(Row(list, 0),
                          (Cells{"SOFT0", "KEL", "ZOLKEL200VIRTUAL", "connected", "Idle", "Spectrum1"}));
                EXPECT_EQ(d.GetText(IDC_CONNECTOR_CONNECT), "Disconnect");
                EXPECT_TRUE(doc.head);

                // While the document's scan runs the entry stays connected.
                doc.scanning = 1;
                d.Click(IDC_CONNECTOR_UPDATE);
                EXPECT_EQ(Row(list, 0)[4], "Running");
                d.Click(IDC_CONNECTOR_CONNECT);
                EXPECT_EQ(doc.warnings, 1);
                EXPECT_EQ(Row(list, 0)[3], "connected");

                doc.scanning = 0;
                const int refreshes = doc.refreshes;
                d.Click(IDC_CONNECTOR_CONNECT);
                EXPECT_EQ(Row(list, 0),
                          (Cells{"SOFT0", "KEL", "ZOLKEL200VIRTUAL", "disconnected", "None", ""}));
                EXPECT_EQ(d.GetText(IDC_CONNECTOR_CONNECT), "Connect");
                EXPECT_EQ(doc.refreshes, refreshes + 1) << "the document let go of its head";
                d.Click(IDOK);
            });
    EXPECT_EQ(Run(), IDOK);
}

TEST_F(ConnectorDlgTest, AConnectionOutlivesTheDialog)
{
    prompts.Expect(IDD_CONNECTOR_LIST)
        .Drive(
            [&](DialogDriver& d)
            {
                d.Click(IDC_CONNECTOR_CONNECT);
                d.Click(IDOK);
            });
    EXPECT_EQ(Run(), IDOK);
    EXPECT_EQ(ports.IsConnected("SOFT0"), 1);
    EXPECT_EQ(registry.FindEntry(&doc), ports.FindByName("SOFT0"));

    // Opened again it shows the binding it made.
    prompts.Expect(IDD_CONNECTOR_LIST)
        .Drive(
            [&](DialogDriver& d)
            {
                EXPECT_EQ(Row(d.Item(IDC_CONNECTOR_LIST), 0)[5], "Spectrum1");
                d.Click(IDOK);
            });
    EXPECT_EQ(Run(), IDOK);
}

TEST_F(ConnectorDlgTest, MenuCommandsConnectAndShowPropertiesOnlyWhileNoScanRuns)
{
    prompts.Expect(IDD_CONNECTOR_LIST)
        .Drive(
            [&](DialogDriver& d)
            {
                auto command = [&](int id) { SendMessage(d.Dialog(), WM_COMMAND, MAKEWPARAM(id, 0), 0); };
                command(ID_CONNECTOR_PROPERTIES);
                EXPECT_EQ(doc.infoShown, 0) << "not connected";
                command(ID_CONNECTOR_TOGGLE);
                EXPECT_EQ(Row(d.Item(IDC_CONNECTOR_LIST), 0)[3], "connected");
                command(ID_CONNECTOR_PROPERTIES);
                EXPECT_EQ(doc.infoShown, 1);
                doc.scanning = 1;
                command(ID_CONNECTOR_PROPERTIES);
                EXPECT_EQ(doc.infoShown, 1);
                EXPECT_EQ(doc.warnings, 1);
                doc.scanning = 0;
                d.Click(IDOK);
            });
    EXPECT_EQ(Run(), IDOK);
}

} // namespace
