// Head commands of the document: the connector list that binds the document to a head, and the
// filament switch.
#include "doc/KelDoc.h"

#include "doc/KelDocCommands.h"
#include "head/Head.h"
#include "ports/InstrumentDesc.h"
#include "ports/PortBindingRegistry.h"
#include "res/resource.h"
#include "scans/Scan.h"
#include "units/Units.h"

namespace
{

// What the connector list sees of a document.
class CDocPortBinding : public IPortDocument
{
public:
    explicit CDocPortBinding(CKelDoc& doc) : m_doc(doc) {}
    // A document that goes leaves no binding behind for the connector list to call.
    ~CDocPortBinding() override { CPortBindingRegistry::GetInstance().RemoveDocument(this); }

    BOOL IsScanning() override { return m_doc.IsScanning(); }
    std::string GetTitle() override { return static_cast<LPCTSTR>(m_doc.CDocument::GetTitle()); }
    BOOL WarnIfScanRunning() override { return m_doc.WarnIfScanRunning(); }
    void RefreshHead() override { m_doc.RefreshHead(); }
    void SetHead(std::shared_ptr<CInstrumentDesc> desc) override { m_doc.BindDescriptor(std::move(desc)); }
    void ShowHeadInfo() override { m_doc.ShowHeadInfo(); }

private:
    CKelDoc& m_doc;
};

bool ScanBusy(CScan* scan, int repeatTimer)
{
    return (scan != nullptr && scan->IsRunning()) || repeatTimer != 0;
}

// Message 237: Yes stops the scan; the command ends either way.
void OfferStop(CKelDoc& doc)
{
    if (AfxMessageBox(IDS_STOP_SCAN_FIRST, MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        doc.OnScanStopNow();
}

} // namespace

IPortDocument* CKelDoc::GetPortDocument()
{
    if (!m_pPortDocument)
        m_pPortDocument = std::make_unique<CDocPortBinding>(*this);
    return m_pPortDocument.get();
}

int CKelDoc::BindDescriptor(std::shared_ptr<CInstrumentDesc> desc)
{
    if (desc == m_pDesc)
        return 0;
    if (desc)
    {
        m_bOwnsDesc = 0;
        m_pDesc = std::move(desc);
        m_pHead = m_pDesc->GetHead();
    }
    return DistributeHead();
}

void CKelDoc::OnConnectorListSetup()
{
    if (m_bReleaseLock)
        return;
    m_bReleaseLock = 1;
    RunConnectorDialog();
    if (m_pUnits)
        m_pUnits->UpdateSensitivity();
    if (m_pScan && !ScanBusy(m_pScan.get(), m_bRepeatTimer))
        m_pScan->AttachDocument(this);
    m_bReleaseLock = 0;
}

void CKelDoc::OnUpdateConnectorListSetup(CCmdUI* pCmdUI)
{
    pCmdUI->SetCheck(m_pHead != nullptr && m_pHead->IsOnline() ? 1 : 0);
}

void CKelDoc::OnFilamentOn()
{
    if (ScanBusy(m_pScan.get(), m_bRepeatTimer))
    {
        OfferStop(*this);
        return;
    }
    if (m_pHead == nullptr || !m_pHead->IsOnline())
        return;
    int on = 0;
    if (!m_pHead->IsFilamentOn(on))
        return;
    m_pHead->SwitchFilamentWithProgress(on ? 0 : 1);
    if (on && m_pHead->IsCemPresent())
    {
        m_pHead->HighVoltageOff();
        int reply = 0;
        m_pHead->ReadIntReply(reply);
    }
}

void CKelDoc::OnUpdateFilamentOn(CCmdUI* pCmdUI)
{
    if (m_pHead == nullptr)
    {
        pCmdUI->Enable(FALSE);
        return;
    }
    if (m_pHead->IsOnline() && m_pScan)
    {
        if (!ScanBusy(m_pScan.get(), m_bRepeatTimer))
        {
            pCmdUI->Enable(TRUE);
        }
        else
        {
            const int kind = m_pScan->GetScanKind();
            pCmdUI->Enable(kind == SCAN_KIND_ANALOG || kind == SCAN_KIND_HISTOGRAM ||
                           kind == SCAN_KIND_PVST || kind == SCAN_KIND_LEAK);
        }
        pCmdUI->SetCheck(m_pHead->GetFilamentState() ? 1 : 0);
        return;
    }
    pCmdUI->Enable(FALSE);
    pCmdUI->SetCheck(0);
}
