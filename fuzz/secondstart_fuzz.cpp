// Fuzz target: what another process or the settings store hands the application. The first byte
// picks the reader: the block a second start sends with WM_COPYDATA (any length), or the stored
// head-lock password text, read, stored again and read back. Neither may read past its input,
// and a password that was read must come back the same.
#include "FuzzSupport.h"

#include "app/KelApp.h"
#include "dialogs/HeadLockDlg.h"
#include "settings/AppSettings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PrepareProcess();
    if (size == 0)
        return 0;
    std::vector<char> bytes(data + 1, data + size); // exactly the input: the sanitizer sees overreads
    if (data[0] & 1)
    {
        COPYDATASTRUCT copyData{0, static_cast<DWORD>(bytes.size()), bytes.empty() ? nullptr : bytes.data()};
        CString path;
        if (ReadSecondInstanceData(&copyData, path) && path.GetLength() > SecondInstanceData::kPathChars)
            std::abort();
        return 0;
    }
    CAppSettings* settings = CAppSettings::GetInstance();
    settings->m_headProtection.assign(bytes.begin(), bytes.end());
    CHeadLockDlg::SetLockState(0, CString());
    LoadHeadLockPassword();
    if (CHeadLockDlg::IsLocked())
    {
        const CString password = CHeadLockDlg::GetPassword();
        StoreHeadLockPassword();
        CHeadLockDlg::SetLockState(0, CString());
        LoadHeadLockPassword();
        if (!CHeadLockDlg::IsLocked() || CHeadLockDlg::GetPassword() != password)
            std::abort();
    }
    CHeadLockDlg::SetLockState(0, CString());
    return 0;
}
