// The verification run's system side: which file runs (its path, SHA-256,
// size and Authenticode state), on which PC, by whom and when, and whether
// the record log can be appended to; then the report file, all or nothing.
// Nothing is written but the report: the log is only opened when it exists,
// and never written.
#include <windows.h>
#include <lmcons.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
#include <shlobj.h>

#include "app/selftest.h"
#include "app/system_dll_win.h"
#include "app/verify.h"
#include "engine/text.h"
#include "engine/wide_win.h"
#include "records/record_text.h"

static_assert(VERIFY_REPORT_CAPACITY <= SELFTEST_REPORT_CAPACITY, "the self-test's writer holds the report's UTF-8 form");

namespace {

// A module path may be a long one (\\?\...): read whole for the hash, cut
// only in the report.
constexpr DWORD MODULE_PATH_CAPACITY = 32768;
wchar_t modulePath[MODULE_PATH_CAPACITY];
unsigned char readBuffer[64 * 1024];
char16_t reportText[VERIFY_REPORT_CAPACITY];
VerifyMachine machine;

const char16_t* core(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// SHA-256 through the system's CryptoAPI (the AES provider, which has SHA-2
// from Windows XP SP3 on), over the bytes of the file as it is on disk.
bool hashFile(const wchar_t* path, unsigned char* sha256, uint64_t* size) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    bool ok = CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) != 0 &&
              CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) != 0;
    uint64_t total = 0;
    while (ok) {
        DWORD read = 0;
        ok = ReadFile(file, readBuffer, sizeof readBuffer, &read, nullptr) != 0;
        if (!ok || read == 0) break;
        ok = CryptHashData(hash, readBuffer, read, 0) != 0;
        total += read;
    }
    LARGE_INTEGER fileSize;
    ok = ok && GetFileSizeEx(file, &fileSize) != 0 && static_cast<uint64_t>(fileSize.QuadPart) == total;
    DWORD hashSize = 32;
    ok = ok && CryptGetHashParam(hash, HP_HASHVAL, sha256, &hashSize, 0) != 0 && hashSize == 32;
    if (hash != 0) CryptDestroyHash(hash);
    if (provider != 0) CryptReleaseContext(provider, 0);
    CloseHandle(file);
    *size = total;
    return ok;
}

// WinTrust and the certificate functions, from System32 only and only for
// this run: neither is a KnownDLL, so an import of them would be resolved
// from the exe's folder first, before the program starts.
struct TrustFunctions {
    decltype(&WinVerifyTrust) verifyTrust;
    decltype(&WTHelperProvDataFromStateData) providerData;
    decltype(&WTHelperGetProvSignerFromChain) signerFromChain;
    decltype(&CertGetNameStringW) nameString;
};

bool loadTrustFunctions(TrustFunctions& f) {
    const HMODULE wintrust = loadSystemDll(L"wintrust.dll");
    const HMODULE crypt32 = loadSystemDll(L"crypt32.dll");
    f.verifyTrust = systemFunction<decltype(&WinVerifyTrust)>(wintrust, "WinVerifyTrust");
    f.providerData = systemFunction<decltype(&WTHelperProvDataFromStateData)>(wintrust, "WTHelperProvDataFromStateData");
    f.signerFromChain =
        systemFunction<decltype(&WTHelperGetProvSignerFromChain)>(wintrust, "WTHelperGetProvSignerFromChain");
    f.nameString = systemFunction<decltype(&CertGetNameStringW)>(crypt32, "CertGetNameStringW");
    return f.verifyTrust != nullptr && f.providerData != nullptr && f.signerFromChain != nullptr &&
           f.nameString != nullptr;
}

// The Authenticode state as Windows judges it, without any window and
// without a revocation check or a download: ward PCs are often offline.
// Without System32's WinTrust the state is unchecked, never valid.
void readSignature(const wchar_t* path, VerifyMachine& m) {
    TrustFunctions trust{};
    if (!loadTrustFunctions(trust)) {
        m.signature = SIGNATURE_UNCHECKED;
        return;
    }
    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof fileInfo;
    fileInfo.pcwszFilePath = path;
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = trust.verifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    const DWORD lastError = GetLastError();

    m.signatureCode = static_cast<uint32_t>(status);
    if (status == ERROR_SUCCESS) {
        m.signature = SIGNATURE_VALID;
        setVerifyName(m.signer, u"（名称无法读取）");
        CRYPT_PROVIDER_DATA* provider = trust.providerData(data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer = provider != nullptr ? trust.signerFromChain(provider, 0, FALSE, 0) : nullptr;
        if (signer != nullptr && signer->csCertChain > 0 && signer->pasCertChain != nullptr &&
            signer->pasCertChain[0].pCert != nullptr) {
            wchar_t name[VERIFY_NAME_CAPACITY + 1];
            if (trust.nameString(signer->pasCertChain[0].pCert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name,
                                   VERIFY_NAME_CAPACITY + 1) > 1) {
                setVerifyName(m.signer, core(name));
            }
        }
    } else if (status == static_cast<LONG>(TRUST_E_NOSIGNATURE) &&
               (lastError == static_cast<DWORD>(TRUST_E_NOSIGNATURE) ||
                lastError == static_cast<DWORD>(TRUST_E_SUBJECT_FORM_UNKNOWN) ||
                lastError == static_cast<DWORD>(TRUST_E_PROVIDER_UNKNOWN))) {
        m.signature = SIGNATURE_NONE;
    } else {
        m.signature = SIGNATURE_INVALID;
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    trust.verifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
}

void readNames(VerifyMachine& m) {
    wchar_t name[UNLEN + 2] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (GetComputerNameW(name, &size) == 0) name[0] = 0;
    setVerifyName(m.computer, name[0] != 0 ? core(name) : u"（未知）");
    name[0] = 0;
    size = UNLEN + 1;
    if (GetUserNameW(name, &size) == 0) name[0] = 0;
    name[UNLEN + 1] = 0;
    setVerifyName(m.user, name[0] != 0 ? core(name) : u"（未知）");

    // The manifest declares Windows 7 to 11, so the numbers are the real ones.
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    m.windowsKnown = GetVersionExW(&version) != 0;
    m.windowsMajor = version.dwMajorVersion;
    m.windowsMinor = version.dwMinorVersion;
    m.windowsBuild = version.dwBuildNumber;
}

int64_t fileTimeMinutes(const SYSTEMTIME& time) {
    FILETIME fileTime;
    if (SystemTimeToFileTime(&time, &fileTime) == 0) return 0;
    const uint64_t ticks = (static_cast<uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    return static_cast<int64_t>(ticks / 600000000ull);   // 100 ns ticks in a minute
}

void readTime(VerifyMachine& m) {
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    SYSTEMTIME local;
    if (SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) == 0) local = utc;
    m.year = local.wYear;
    m.month = local.wMonth;
    m.day = local.wDay;
    m.hour = local.wHour;
    m.minute = local.wMinute;
    m.second = local.wSecond;
    m.utcOffsetMinutes = static_cast<int>(fileTimeMinutes(local) - fileTimeMinutes(utc));
}

// The record log where the save command keeps it. It is opened only when it
// exists, with the save's own access, and closed again unwritten.
void readLog(VerifyMachine& m) {
    wchar_t appData[MAX_PATH];
    appData[0] = 0;
    char16_t folder[RECORD_FOLDER_CAPACITY];
    char16_t path[RECORD_PATH_CAPACITY];
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData) != S_OK ||
        appData[0] == 0) {
        m.log = LOG_NO_FOLDER;
        setVerifyText(m.logPath, u"");
        return;
    }
    appData[MAX_PATH - 1] = 0;
    const bool whole = buildRecordFolderPath(core(appData), folder, RECORD_FOLDER_CAPACITY) &&
                       buildRecordFilePath(folder, builtinTool().id, path, RECORD_PATH_CAPACITY);
    if (!whole) {
        m.log = LOG_NO_FOLDER;
        setVerifyText(m.logPath, u"");
        return;
    }
    setVerifyText(m.logPath, path);
    const DWORD attributes = GetFileAttributesW(wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        m.log = LOG_ABSENT;
        return;
    }
    HANDLE file = CreateFileW(wide(path), GENERIC_READ | FILE_WRITE_DATA | FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        m.log = LOG_LOCKED;
    } else {
        m.log = LOG_APPENDABLE;
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

void readProgram(VerifyMachine& m) {
    const DWORD length = GetModuleFileNameW(nullptr, modulePath, MODULE_PATH_CAPACITY);
    if (length == 0 || length >= MODULE_PATH_CAPACITY) {
        setVerifyText(m.programPath, u"（未知）");
        m.hashed = false;
        m.signature = SIGNATURE_INVALID;
        m.signatureCode = GetLastError();
        return;
    }
    setVerifyText(m.programPath, core(modulePath));
    m.hashed = hashFile(modulePath, m.sha256, &m.size);
    readSignature(modulePath, m);
}

}  // namespace

int runVerify(const char16_t* path, bool tooLong) {
    // A cut path would name another file: nothing is written.
    if (tooLong) return VERIFY_WRITE_FAILED;
    machine = VerifyMachine{};
    readProgram(machine);
    readNames(machine);
    readTime(machine);
    readLog(machine);
    int count = 0;
    const VerifyCase* cases = verifyCases(&count);
    const VerifyOutcome outcome =
        buildVerifyReport(builtinTool(), cases, count, verifyControl(), machine, reportText, VERIFY_REPORT_CAPACITY);
    // The self-test's writer: UTF-8 (the report's first unit, U+FEFF, becomes
    // the byte-order mark), all or nothing.
    const bool written = writeUtf8File(path, reportText);
    return verifyExitCode(outcome, written);
}
