// The loopback web server of the online tests (tests/webserver/server.py), started on the
// host for one test and ended with it. The test writes the files it serves into Root():
// "catalogue", "themes", "version" and "A<n>\<id>" for the picture queries; Control() changes
// the answers (the rules are described at the top of server.py).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/support/win_test_helpers.h"

namespace vt {

// One line of the server's request log.
struct WebRequest {
    double time = 0;           // seconds since 1970
    std::string request;       // the request line as received
    std::string userAgent;     // empty when none was sent
    bool hasProxyAuthorization = false;
    std::string proxyAuthorization;
    int status = 0;
    long long bytes = 0;       // body bytes sent
};

class WebServer {
public:
    // With `proxyAuth` ("USER:PASS") every request without those credentials gets 407.
    explicit WebServer(const std::string& proxyAuth = "")
    {
        WSADATA data;
        winsock_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        work_ = WindowsPath(BuildPath("webserver_" + TestName() + "_" + std::to_string(GetCurrentProcessId())));
        DeleteFolderTree(work_);
        CreateDirectoryA(work_.c_str(), nullptr);
        if (!CreateDirectoryA(Root().c_str(), nullptr)) {
            ADD_FAILURE() << "cannot make " << Root();
            return;
        }
        // Started from the host so that python3 comes from its PATH; `timeout` ends it
        // should the test never get to.
        const std::string script = work_ + "\\server.sh", result = work_ + "\\result.txt";
        const std::string text =
            "root=\"$1\" result=\"$2\" server=\"$3\" log=\"$4\"; shift 4\n"
            "timeout 110 python3 \"$server\" --root \"$root\" --result \"$result\" \"$@\" </dev/null >\"$log\" 2>&1 &\n";
        if (!WriteFileBytes(script, std::vector<uint8_t>(text.begin(), text.end()))) {
            ADD_FAILURE() << "cannot write " << script;
            return;
        }
        std::vector<std::string> args = {UnixPath(script), UnixPath(Root()), UnixPath(result),
                                         std::string(VESKO_SOURCE_DIR) + "/tests/webserver/server.py",
                                         UnixPath(work_ + "\\server.log")};
        if (!proxyAuth.empty()) {
            args.push_back("--proxy-auth");
            args.push_back(proxyAuth);
        }
        if (RunHost("/bin/bash", args) != 0) {
            ADD_FAILURE() << "cannot start /bin/bash";
            return;
        }
        std::string line;
        if (!WaitFor([&] { line = ReadText(result); return line.find('\n') != std::string::npos; }, 20000)) {
            ADD_FAILURE() << "the web server did not start within 20 s: " << ReadText(work_ + "\\server.log");
            return;
        }
        int port = 0;
        long pid = 0;
        if (sscanf(line.c_str(), "%d %ld", &port, &pid) != 2 || port <= 0 || pid <= 0) {
            ADD_FAILURE() << "bad result line: " << line;
            return;
        }
        port_ = port;
        pid_ = std::to_string(pid);
    }

    ~WebServer()
    {
        if (!pid_.empty()) {
            RunHost("/bin/kill", {pid_});
            if (!WaitFor([&] { return PortRefuses(port_); }, 10000))
                ADD_FAILURE() << "port " << port_ << " still answers after the server was killed";
        }
        // A failed test leaves its folder for a look at the log and the files.
        if (!::testing::Test::HasFailure())
            DeleteFolderTree(work_);
        if (winsock_)
            WSACleanup();
    }

    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    bool Started() const { return port_ > 0; }
    int Port() const { return port_; }
    const std::string& Pid() const { return pid_; }
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // The served folder, as a Windows path.
    std::string Root() const { return work_ + "\\root"; }

    // Replaces the rules at once (never half a file); new rules start their counts afresh.
    bool Control(const std::string& json) const
    {
        const std::string path = Root() + "\\control.json", work = path + ".part";
        return WriteFileBytes(work, std::vector<uint8_t>(json.begin(), json.end())) &&
               MoveFileExA(work.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }

    // The request log. A line follows the last byte of its answer, so this waits up to 5 s
    // for `atLeast` lines; lines come in the order the answers ended.
    std::vector<WebRequest> Requests(size_t atLeast = 0) const
    {
        std::vector<WebRequest> requests;
        WaitFor([&] {
            requests.clear();
            const std::string text = ReadText(Root() + "\\requests.jsonl");
            size_t start = 0, end;
            while ((end = text.find('\n', start)) != std::string::npos) {
                requests.push_back(ParseRequest(text.substr(start, end - start)));
                start = end + 1;
            }
            return requests.size() >= atLeast;
        }, atLeast ? 5000 : 0);
        return requests;
    }

    // A loopback address where nothing listens.
    static std::string RefusedBase()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        int port = 0;
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = Loopback(0);
        int size = sizeof(address);
        if (s != INVALID_SOCKET && bind(s, (sockaddr*)&address, sizeof(address)) == 0 &&
            getsockname(s, (sockaddr*)&address, &size) == 0)
            port = ntohs(address.sin_port);
        if (s != INVALID_SOCKET)
            closesocket(s);
        WSACleanup();
        EXPECT_GT(port, 0) << "no free loopback port";
        return "http://127.0.0.1:" + std::to_string(port);
    }

    static bool PortRefuses(int port)
    {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET)
            return false;
        sockaddr_in address = Loopback(port);
        bool refused = connect(s, (sockaddr*)&address, sizeof(address)) != 0 && WSAGetLastError() == WSAECONNREFUSED;
        closesocket(s);
        return refused;
    }

private:
    static sockaddr_in Loopback(int port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons((u_short)port);
        return address;
    }

    // One flat JSON object as server.py writes it: strings, numbers and null.
    static WebRequest ParseRequest(const std::string& line)
    {
        WebRequest request;
        size_t at = line.find('{');
        if (at == std::string::npos)
            return request;
        ++at;
        for (;;) {
            std::string key, text;
            bool isNull = false;
            if (!ParseString(line, &at, &key))
                break;
            while (at < line.size() && (line[at] == ' ' || line[at] == ':'))
                ++at;
            if (at < line.size() && line[at] == '"') {
                if (!ParseString(line, &at, &text))
                    break;
            } else {
                size_t end = line.find_first_of(",}", at);
                if (end == std::string::npos)
                    break;
                text = line.substr(at, end - at);
                isNull = text == "null";
                at = end;
            }
            if (key == "time")
                request.time = atof(text.c_str());
            else if (key == "request")
                request.request = text;
            else if (key == "user_agent")
                request.userAgent = isNull ? "" : text;
            else if (key == "proxy_authorization") {
                request.hasProxyAuthorization = !isNull;
                request.proxyAuthorization = isNull ? "" : text;
            } else if (key == "status")
                request.status = atoi(text.c_str());
            else if (key == "bytes")
                request.bytes = atoll(text.c_str());
            size_t next = line.find_first_of(",}", at);
            if (next == std::string::npos || line[next] == '}')
                break;
            at = next + 1;
        }
        return request;
    }

    // A JSON string from `*at` (its opening quote or blanks before it); code points
    // below 256 become one byte, as the server read the request line as Latin-1.
    static bool ParseString(const std::string& line, size_t* at, std::string* out)
    {
        size_t i = line.find('"', *at);
        if (i == std::string::npos)
            return false;
        out->clear();
        for (++i; i < line.size(); ++i) {
            char c = line[i];
            if (c == '"') {
                *at = i + 1;
                return true;
            }
            if (c != '\\' || i + 1 >= line.size()) {
                *out += c;
                continue;
            }
            char e = line[++i];
            switch (e) {
            case 'n': *out += '\n'; break;
            case 'r': *out += '\r'; break;
            case 't': *out += '\t'; break;
            case 'b': *out += '\b'; break;
            case 'f': *out += '\f'; break;
            case 'u': {
                if (i + 4 >= line.size())
                    return false;
                unsigned code = (unsigned)strtoul(line.substr(i + 1, 4).c_str(), nullptr, 16);
                i += 4;
                if (code < 256) {
                    *out += (char)code;
                } else if (code < 0x800) {
                    *out += (char)(0xC0 | code >> 6);
                    *out += (char)(0x80 | (code & 0x3F));
                } else {
                    *out += (char)(0xE0 | code >> 12);
                    *out += (char)(0x80 | ((code >> 6) & 0x3F));
                    *out += (char)(0x80 | (code & 0x3F));
                }
                break;
            }
            default: *out += e; break;
            }
        }
        return false;
    }

    bool winsock_ = false;
    std::string work_;
    int port_ = 0;
    std::string pid_;
};

}  // namespace vt
