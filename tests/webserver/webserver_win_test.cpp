// The loopback web server as the calendar's WinInet client meets it under Wine: started by
// vt::WebServer, read with plain WinInet calls, ended by the helper's destructor.
#include "tests/support/web_server.h"

#include <wininet.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

const char kUserAgent[] = "KV840 V3.3.0.2706";
const DWORD kRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_RESYNCHRONIZE;

struct Fetched {
    bool sent = false;
    DWORD status = 0;
    std::vector<uint8_t> body;
    bool hasModified = false;
    SYSTEMTIME modified{};
    std::string contentLength;
};

// One GET over HTTP 1.0 the way the calendar asks: through a session of its own, or through
// `proxy` ("host:port") with the given credentials.
Fetched Fetch(const std::string& url, const std::string& proxy = "", const std::string& user = "",
              const std::string& password = "")
{
    Fetched out;
    char host[256] = "", path[1024] = "";
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof(parts);
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof(host);
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof(path);
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts))
        return out;
    HINTERNET session = proxy.empty()
                            ? InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
                            : InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), nullptr, 0);
    HINTERNET connection = session ? InternetConnectA(session, host, parts.nPort, nullptr, nullptr,
                                                      INTERNET_SERVICE_HTTP, 0, 0)
                                   : nullptr;
    if (connection && !user.empty()) {
        InternetSetOptionA(connection, INTERNET_OPTION_PROXY_USERNAME, (void*)user.c_str(), (DWORD)user.size() + 1);
        InternetSetOptionA(connection, INTERNET_OPTION_PROXY_PASSWORD, (void*)password.c_str(),
                           (DWORD)password.size() + 1);
    }
    HINTERNET request =
        connection ? HttpOpenRequestA(connection, "GET", path, "HTTP/1.0", nullptr, nullptr, kRequestFlags, 0) : nullptr;
    if (request && HttpSendRequestA(request, nullptr, 0, nullptr, 0)) {
        out.sent = true;
        DWORD size = sizeof(out.status);
        HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &out.status, &size, nullptr);
        size = sizeof(out.modified);
        out.hasModified = HttpQueryInfoA(request, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME,
                                         &out.modified, &size, nullptr) != FALSE;
        char length[64] = "";
        size = sizeof(length);
        if (HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr))
            out.contentLength = length;
        uint8_t block[1024];
        DWORD read = 0;
        while (InternetReadFile(request, block, sizeof(block), &read) && read > 0)
            out.body.insert(out.body.end(), block, block + read);
    }
    if (request)
        InternetCloseHandle(request);
    if (connection)
        InternetCloseHandle(connection);
    if (session)
        InternetCloseHandle(session);
    return out;
}

bool SetWriteTime(const std::string& path, const SYSTEMTIME& utc)
{
    FILETIME time;
    if (!SystemTimeToFileTime(&utc, &time))
        return false;
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = SetFileTime(file, nullptr, nullptr, &time) != FALSE;
    CloseHandle(file);
    return ok;
}

// Runs a host shell script and returns what it wrote to the file named by its first
// argument (the host start cannot be waited for under Wine).
std::string RunHostScript(const std::string& text, const std::vector<std::string>& args)
{
    const std::string stem = vt::WindowsPath(vt::BuildPath("webserver_check_" + std::to_string(GetCurrentProcessId())));
    const std::string script = stem + ".sh", result = stem + ".txt";
    DeleteFileA(result.c_str());
    const std::string body = "out=\"$1\"; shift\n{\n" + text + "\n} >\"$out.part\" 2>&1; mv -f \"$out.part\" \"$out\"\n";
    if (!vt::WriteFileBytes(script, std::vector<uint8_t>(body.begin(), body.end())))
        return "(cannot write the script)";
    std::vector<std::string> all = {vt::UnixPath(script), vt::UnixPath(result)};
    all.insert(all.end(), args.begin(), args.end());
    if (vt::RunHost("/bin/bash", all) != 0)
        return "(cannot start bash)";
    std::string output;
    if (!vt::WaitFor([&] { return GetFileAttributesA(result.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000))
        return "(no answer from the script)";
    output = vt::ReadText(result);
    DeleteFileA(script.c_str());
    DeleteFileA(result.c_str());
    return output;
}

struct Served {
    const char* file;     // under the root
    const char* fixture;  // made by fixtures.sh, or empty for `text`
    const char* text;
    const char* target;
};

const Served kServed[] = {
    {"catalogue", "", "20100607,3,abc.jpg\r\n20100608,1,def.jpg\n", "/foto/raridavezazezud.fotos"},
    {"themes", "", "[Deutsch]\r\nT=2\r\n0=Alle\r\n1=Natur\r\n", "/foto/raridavezazezud.themen"},
    {"A1\\abc.jpg", "web_150x112.jpg", "", "/foto/raridavezazezud.php?A=1&B=abc.jpg"},
    {"A2\\abc.jpg", "web_640x480.jpg", "", "/foto/raridavezazezud.php?A=2&B=abc.jpg"},
    {"A3\\abc.jpg", "web_1920x1080.jpg", "", "/foto/raridavezazezud.php?A=3&B=abc.jpg&P=KV840"},
    {"A1\\pic.bmp", "web_64x48.bmp", "", "/foto/raridavezazezud.php?A=1&B=pic.bmp"},
    {"A1\\head.emf", "web_head.emf", "", "/foto/raridavezazezud.php?A=1&B=head.emf"},
    {"version", "", "NEU", "/version/ver.php?P=KV840&V=3.3.0&L=2&A=1&B=1"},
};

TEST(WebServer, StartsWithinTwentySecondsAndServesWhatTheTestWrote)
{
    const ULONGLONG before = GetTickCount64();
    vt::WebServer server;
    ASSERT_TRUE(server.Started());
    EXPECT_LT(GetTickCount64() - before, 20000u);

    const SYSTEMTIME time = {2023, 11, 2, 14, 22, 13, 20, 0};  // Tue, 14 Nov 2023 22:13:20 GMT
    for (const char* folder : {"\\A1", "\\A2", "\\A3"}) {
        ASSERT_TRUE(CreateDirectoryA((server.Root() + folder).c_str(), nullptr));
    }
    std::vector<std::vector<uint8_t>> written;
    for (const Served& served : kServed) {
        std::vector<uint8_t> bytes(served.text, served.text + strlen(served.text));
        if (*served.fixture) {
            ASSERT_TRUE(vt::ReadFileBytes(vt::FixturePath(served.fixture), &bytes)) << served.fixture;
        }
        const std::string path = server.Root() + "\\" + served.file;
        ASSERT_TRUE(vt::WriteFileBytes(path, bytes)) << path;
        ASSERT_TRUE(SetWriteTime(path, time)) << path;
        written.push_back(bytes);
    }

    for (size_t i = 0; i < written.size(); ++i) {
        SCOPED_TRACE(kServed[i].target);
        Fetched fetched = Fetch(server.Base() + kServed[i].target);
        ASSERT_TRUE(fetched.sent) << GetLastError();
        EXPECT_EQ(fetched.status, 200u);
        EXPECT_EQ(fetched.contentLength, std::to_string(written[i].size()));
        EXPECT_TRUE(fetched.body == written[i]) << fetched.body.size() << " bytes, written " << written[i].size();
        ASSERT_TRUE(fetched.hasModified);
        EXPECT_EQ(std::vector<WORD>({fetched.modified.wYear, fetched.modified.wMonth, fetched.modified.wDay,
                                     fetched.modified.wHour, fetched.modified.wMinute, fetched.modified.wSecond}),
                  std::vector<WORD>({2023, 11, 14, 22, 13, 20}));
    }

    // What WinInet sent, as the server logged it.
    std::vector<vt::WebRequest> requests = server.Requests(written.size());
    ASSERT_EQ(requests.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(requests[i].request, std::string("GET ") + kServed[i].target + " HTTP/1.0");
        EXPECT_EQ(requests[i].userAgent, kUserAgent);
        EXPECT_FALSE(requests[i].hasProxyAuthorization);
        EXPECT_EQ(requests[i].status, 200);
        EXPECT_EQ(requests[i].bytes, (long long)written[i].size());
    }
}

TEST(WebServer, ConnectionCheckReachesTheServerAndFailsWhereNothingListens)
{
    vt::WebServer server;
    ASSERT_TRUE(server.Started());
    EXPECT_TRUE(InternetCheckConnectionA((server.Base() + "/r/goto.php").c_str(), FLAG_ICC_FORCE_CONNECTION, 0))
        << GetLastError();

    const std::string refused = vt::WebServer::RefusedBase() + "/r/goto.php";
    SetLastError(0);
    EXPECT_FALSE(InternetCheckConnectionA(refused.c_str(), FLAG_ICC_FORCE_CONNECTION, 0));
    EXPECT_EQ(GetLastError(), 2250u) << refused;

    // The silent connection of the check holds up no one.
    const ULONGLONG before = GetTickCount64();
    Fetched page = Fetch(server.Base() + "/r/goto.php?P=KV840&V=3.3.0&L=2");
    EXPECT_LT(GetTickCount64() - before, 5000u);
    EXPECT_EQ(page.status, 200u);
    EXPECT_NE(std::string(page.body.begin(), page.body.end()).find("<html>"), std::string::npos);
}

TEST(WebServer, RulesChangeTheAnswersInTheirOrder)
{
    vt::WebServer server;
    ASSERT_TRUE(server.Started());
    const std::string catalogue = "20100607,3,abc.jpg\n";
    ASSERT_TRUE(vt::WriteFileBytes(server.Root() + "\\catalogue",
                                   std::vector<uint8_t>(catalogue.begin(), catalogue.end())));
    ASSERT_TRUE(server.Control(R"([{"prefix": "/foto/raridavezazezud.fotos", "count": 1,
                                    "last_modified": "Tue, 14 Nov 2023 22:13:20 GMT"},
                                   {"prefix": "/foto/", "status": 500}])"));
    const std::string url = server.Base() + "/foto/raridavezazezud.fotos";
    Fetched first = Fetch(url);
    EXPECT_EQ(first.status, 200u);
    EXPECT_EQ(std::string(first.body.begin(), first.body.end()), catalogue);
    EXPECT_EQ(first.modified.wYear, 2023);
    EXPECT_EQ(Fetch(url).status, 500u);

    // Read again after the second answer, so both lines are there in order.
    std::vector<vt::WebRequest> requests = server.Requests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].status, 200);
    EXPECT_EQ(requests[1].status, 500);
}

TEST(WebServer, AsAProxyItAsksForCredentialsAndServesTheAbsoluteUri)
{
    vt::WebServer server("u:p");
    ASSERT_TRUE(server.Started());
    const std::string catalogue = "20100607,3,abc.jpg\n";
    ASSERT_TRUE(vt::WriteFileBytes(server.Root() + "\\catalogue",
                                   std::vector<uint8_t>(catalogue.begin(), catalogue.end())));
    const std::string proxy = "127.0.0.1:" + std::to_string(server.Port());
    const std::string url = "http://vesko.invalid/foto/raridavezazezud.fotos";

    EXPECT_EQ(Fetch(url, proxy).status, 407u);
    Fetched fetched = Fetch(url, proxy, "u", "p");
    EXPECT_EQ(fetched.status, 200u);
    EXPECT_EQ(std::string(fetched.body.begin(), fetched.body.end()), catalogue);

    // WinInet asks once without credentials, then again with them; the URI keeps the port.
    std::vector<vt::WebRequest> requests = server.Requests(3);
    ASSERT_EQ(requests.size(), 3u);
    const std::vector<int> statuses = {407, 407, 200};
    const std::vector<std::string> credentials = {"", "", "Basic dTpw"};  // printf u:p | base64
    for (size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].request, "GET http://vesko.invalid:80/foto/raridavezazezud.fotos HTTP/1.0");
        EXPECT_EQ(requests[i].status, statuses[i]);
        EXPECT_EQ(requests[i].hasProxyAuthorization, !credentials[i].empty());
        EXPECT_EQ(requests[i].proxyAuthorization, credentials[i]);
    }
}

TEST(WebServer, DestructorEndsTheServerAndFreesItsPort)
{
    std::string pid, root;
    int port = 0;
    {
        vt::WebServer server;
        ASSERT_TRUE(server.Started());
        pid = server.Pid();
        port = server.Port();
        root = vt::UnixPath(server.Root());
        EXPECT_EQ(Fetch(server.Base() + "/r/goto.php").status, 200u);
    }
    EXPECT_TRUE(vt::WebServer::PortRefuses(port));
    // Neither the server nor the `timeout` that started it is left.
    EXPECT_EQ(RunHostScript("if kill -0 \"$1\" 2>/dev/null; then echo alive; else echo gone; fi\n"
                            "pgrep -f -- \"--root $2\" >/dev/null && echo left || echo none",
                            {pid, root}),
              "gone\nnone\n");
}

}  // namespace
