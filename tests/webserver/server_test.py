#!/usr/bin/env python3
"""The loopback web server of the online tests, read with http.client and raw sockets."""

import email.utils
import http.client
import json
import os
import select
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "server.py")
CATALOGUE = "/foto/raridavezazezud.fotos"
PICTURE = "/foto/raridavezazezud.php"
NOV_14_2023 = 1700000000  # Tue, 14 Nov 2023 22:13:20 GMT


def generated(n):
    return bytes(i % 251 for i in range(n))


class Answer:
    def __init__(self, data):
        head, _, self.body = data.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        self.status_line = lines[0]
        self.status = int(lines[0].split()[1]) if len(lines[0].split()) > 1 else None
        self.headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            self.headers[name.strip().lower()] = value.strip()


class ServerCase(unittest.TestCase):
    proxy_auth = None

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="vesko_web_")
        self.root = os.path.join(self.tmp, "root")
        os.mkdir(self.root)
        result = os.path.join(self.tmp, "result")
        args = [sys.executable, SERVER, "--root", self.root, "--result", result]
        if self.proxy_auth:
            args += ["--proxy-auth", self.proxy_auth]
        self.log_path = os.path.join(self.tmp, "server.log")
        with open(self.log_path, "wb") as log:
            self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        deadline = time.monotonic() + 20
        while not os.path.exists(result):
            self.assertIsNone(self.process.poll(), "the server ended: " + self.server_log())
            self.assertLess(time.monotonic(), deadline, "no result file within 20 s")
            time.sleep(0.02)
        with open(result) as f:
            port, pid = f.read().split()
        self.port = int(port)
        self.assertEqual(int(pid), self.process.pid)

    def tearDown(self):
        self.process.kill()
        self.process.wait()
        shutil.rmtree(self.tmp)

    def server_log(self):
        with open(self.log_path, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def write(self, relative, data, mtime=None):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        if mtime is not None:
            os.utime(path, (mtime, mtime))
        return path

    def control(self, rules):
        work = os.path.join(self.root, "control.json.part")
        with open(work, "w") as f:
            json.dump(rules, f)
        os.replace(work, os.path.join(self.root, "control.json"))

    def get(self, target, headers=None):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            connection.request("GET", target, headers=headers or {})
            response = connection.getresponse()
            return response.status, response, response.read()
        finally:
            connection.close()

    def connect(self):
        return socket.create_connection(("127.0.0.1", self.port), timeout=30)

    def raw(self, request_line, headers=()):
        """The whole answer to one request, read until the server closes."""
        with self.connect() as s:
            s.sendall(self.request_bytes(request_line, headers))
            data = b""
            while True:
                part = s.recv(65536)
                if not part:
                    return Answer(data)
                data += part

    def request_bytes(self, request_line, headers=()):
        lines = [request_line, "Host: 127.0.0.1:%d" % self.port] + list(headers)
        return ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1")

    def read_headers(self, s):
        data = b""
        while b"\r\n\r\n" not in data:
            part = s.recv(1)
            self.assertTrue(part, "closed inside the headers")
            data += part
        return Answer(data)

    def logged(self, count):
        """The request log once it has `count` lines (each follows its answer)."""
        path = os.path.join(self.root, "requests.jsonl")
        deadline = time.monotonic() + 5
        while True:
            lines = []
            if os.path.exists(path):
                with open(path) as f:
                    lines = [json.loads(line) for line in f if line.endswith("\n")]
            if len(lines) >= count or time.monotonic() > deadline:
                return lines
            time.sleep(0.02)


class StartUp(ServerCase):
    def test_listens_on_127_0_0_1_alone(self):
        self.write("catalogue", b"x")
        self.assertEqual(self.get(CATALOGUE)[0], 200)
        with self.assertRaises(ConnectionRefusedError):
            socket.create_connection(("127.0.0.2", self.port), timeout=5).close()


class Routes(ServerCase):
    def test_each_route_serves_its_file_with_length_and_time(self):
        cases = [
            (CATALOGUE, "catalogue"),
            ("/foto/raridavezazezud.themen", "themes"),
            (PICTURE + "?A=1&B=abc.jpg", "A1/abc.jpg"),
            (PICTURE + "?A=2&B=abc.jpg", "A2/abc.jpg"),
            (PICTURE + "?B=Big_Picture-2.jpg&P=KV840&A=3", "A3/Big_Picture-2.jpg"),
            ("/version/ver.php?P=KV840&V=3.3.0&L=2&A=1&B=1", "version"),
        ]
        for i, (target, name) in enumerate(cases):
            # Every byte value, line ends included, and a size of its own.
            data = bytes(range(256)) * (i + 1) + b"\r\n\n" + name.encode()
            self.write(name, data, mtime=NOV_14_2023 + i * 86461)
        for i, (target, name) in enumerate(cases):
            with self.subTest(target=target):
                status, response, body = self.get(target)
                self.assertEqual(status, 200)
                self.assertEqual(response.version, 10)
                self.assertEqual(response.getheader("Connection"), "close")
                with open(os.path.join(self.root, name), "rb") as f:
                    self.assertEqual(body, f.read())
                self.assertEqual(response.getheader("Content-Length"), str(len(body)))
                modified = response.getheader("Last-Modified")
                self.assertRegex(modified, r"^[A-Z][a-z]{2}, \d\d [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d GMT$")
                self.assertEqual(email.utils.parsedate_to_datetime(modified).timestamp(),
                                 NOV_14_2023 + i * 86461)
        self.assertEqual(self.get(CATALOGUE)[1].getheader("Last-Modified"), "Tue, 14 Nov 2023 22:13:20 GMT")

    def test_redirect_page_is_its_own(self):
        status, response, body = self.get("/r/goto.php?P=KV840&V=3.3.0&L=2")
        self.assertEqual(status, 200)
        self.assertEqual(response.getheader("Content-Type"), "text/html")
        self.assertIn(b"<html>", body)
        self.assertEqual(response.getheader("Content-Length"), str(len(body)))

    def test_missing_unknown_and_unsafe_names_answer_404_and_nothing_outside_is_read(self):
        secrets = {
            "../x": b"SECRET-ABOVE-ROOT",
            "x": b"SECRET-IN-ROOT",
            "A1/..\\x": b"SECRET-BACKSLASH",
            "A1/a/b": b"SECRET-SUBFOLDER",
            "A1/.x": b"SECRET-DOTFILE",
            "A1/%2e%2e": b"SECRET-ENCODED",
            "A../x": b"SECRET-DOTDOT-KIND",
            "A1/.../x": b"SECRET-DOTS",
        }
        for relative, data in secrets.items():
            self.write(relative, data)
        os.makedirs(os.path.join(self.root, "A"))  # so that A=/../.. would resolve above the root
        self.write("A1/ok.jpg", b"served")
        self.assertEqual(self.get(PICTURE + "?A=1&B=ok.jpg")[2], b"served")
        cases = [
            CATALOGUE, "/foto/raridavezazezud.themen", "/version/ver.php", PICTURE + "?A=1&B=none.jpg",
            "/", "/foto/", "/x", "/A1/ok.jpg", "/foto/raridavezazezud.fotos/", "/foto/../foto/raridavezazezud.fotos",
            "/FOTO/raridavezazezud.fotos", PICTURE, PICTURE + "?A=1", PICTURE + "?B=ok.jpg",
            PICTURE + "?A=1&B=ok.jpg&B=ok.jpg", PICTURE + "?A=1&B=",
            PICTURE + "?A=1&B=../x", PICTURE + "?A=1&B=..\\x", PICTURE + "?A=1&B=a/b", PICTURE + "?A=1&B=.x",
            PICTURE + "?A=1&B=%2e%2e", PICTURE + "?A=1&B=..%2fx", PICTURE + "?A=1&B=...", PICTURE + "?A=1&B=ok.jpg%00",
            PICTURE + "?A=/../..&B=x", PICTURE + "?A=..&B=x", PICTURE + "?A=1/..&B=x", PICTURE + "?A=1/...&B=x",
            "http://127.0.0.1/../x", "*",
        ]
        for target in cases:
            with self.subTest(target=target):
                answer = self.raw("GET %s HTTP/1.0" % target)
                self.assertEqual(answer.status, 404, answer.status_line)
                for data in secrets.values():
                    self.assertNotIn(data, answer.body)


class Rules(ServerCase):
    def setUp(self):
        super().setUp()
        self.catalogue = b"20100607,3,abc.jpg\n20100608,1,def.jpg\n"
        self.write("catalogue", self.catalogue, mtime=NOV_14_2023 - 86400)

    def test_status_answers_have_an_empty_body(self):
        for status in (302, 304, 404, 407, 500):
            with self.subTest(status=status):
                self.control([{"prefix": "/foto/", "status": status}])
                answer = self.raw("GET %s HTTP/1.0" % CATALOGUE)
                self.assertEqual(answer.status, status)
                self.assertEqual(answer.body, b"")
                self.assertEqual(answer.headers.get("content-length"), "0")
                if status == 302:
                    self.assertEqual(answer.headers.get("location"), "http://127.0.0.1:%d%s" % (self.port, CATALOGUE))
                if status == 407:
                    self.assertEqual(answer.headers.get("proxy-authenticate"), 'Basic realm="vesko"')

    def test_no_content_length_sends_the_file_until_close(self):
        self.control([{"prefix": CATALOGUE, "content_length": None}])
        answer = self.raw("GET %s HTTP/1.0" % CATALOGUE)
        self.assertEqual(answer.status, 200)
        self.assertNotIn("content-length", answer.headers)
        self.assertEqual(answer.body, self.catalogue)

    def test_own_content_length_above_and_below_what_is_sent(self):
        for length, sent in ((1500000, 1000000), (100, 5000)):
            with self.subTest(length=length, sent=sent):
                self.control([{"prefix": PICTURE, "content_length": length, "body": sent}])
                answer = self.raw("GET %s?A=3&B=none.jpg HTTP/1.0" % PICTURE)
                self.assertEqual(answer.status, 200)
                self.assertEqual(answer.headers.get("content-length"), str(length))
                self.assertEqual(answer.body, generated(sent))
        self.control([{"prefix": PICTURE, "content_length": 1500000, "body": 1000000}])
        with self.assertRaises(http.client.IncompleteRead) as cut:
            self.get(PICTURE + "?A=3&B=none.jpg")
        self.assertEqual(len(cut.exception.partial), 1000000)

    def test_first_byte_after_the_delay(self):
        self.control([{"prefix": CATALOGUE, "delay": 3}])
        with self.connect() as s:
            start = time.monotonic()
            s.sendall(self.request_bytes("GET %s HTTP/1.0" % CATALOGUE))
            first = s.recv(1)
            waited = time.monotonic() - start
            self.assertEqual(first, b"H")
        self.assertGreaterEqual(waited, 3.0)
        self.assertLess(waited, 6.0)

    def test_stall_holds_the_connection_open_without_a_byte(self):
        self.control([{"prefix": PICTURE, "body": 1000, "stall_after": 100, "stall_for": 4}])
        with self.connect() as s:
            s.sendall(self.request_bytes("GET %s?A=3&B=x HTTP/1.0" % PICTURE))
            answer = self.read_headers(s)
            self.assertEqual(answer.headers.get("content-length"), "1000")
            body = b""
            while len(body) < 100:
                part = s.recv(100 - len(body))
                self.assertTrue(part, "closed before 100 bytes")
                body += part
            stalled = time.monotonic()
            s.settimeout(3)
            with self.assertRaises(socket.timeout):
                s.recv(1)  # neither a byte nor the end: the connection stays open
            s.settimeout(10)
            self.assertEqual(s.recv(1), b"")
            self.assertGreaterEqual(time.monotonic() - stalled, 3.9)
        self.assertEqual(body, generated(100))

    def test_trickle_sends_a_byte_a_second(self):
        self.control([{"prefix": PICTURE, "body": 4, "trickle": 1}])
        with self.connect() as s:
            s.sendall(self.request_bytes("GET %s?A=1&B=x HTTP/1.0" % PICTURE))
            self.read_headers(s)
            body, times = b"", []
            while True:
                part = s.recv(16)
                if not part:
                    break
                body += part
                times.append(time.monotonic())
        self.assertEqual(body, generated(4))
        self.assertEqual(len(times), 4, "one byte at a time")
        for earlier, later in zip(times, times[1:]):
            self.assertGreaterEqual(later - earlier, 0.9)

    def test_last_modified_missing_malformed_or_given(self):
        for value in (None, "yesterday", "Tue, 14 Nov 2023 22:13:20 GMT"):
            with self.subTest(value=value):
                self.control([{"prefix": CATALOGUE, "last_modified": value}])
                status, response, body = self.get(CATALOGUE)
                self.assertEqual(status, 200)
                self.assertEqual(response.getheader("Last-Modified"), value)
                self.assertEqual(body, self.catalogue)

    def test_prefix_takes_path_and_query(self):
        self.write("A1/abc.jpg", b"thumbnail")
        self.write("A3/abc.jpg", b"picture")
        self.control([{"prefix": PICTURE + "?A=1", "status": 500}])
        self.assertEqual(self.get(PICTURE + "?A=1&B=abc.jpg")[0], 500)
        self.assertEqual(self.get(PICTURE + "?A=3&B=abc.jpg")[2], b"picture")
        self.assertEqual(self.get(CATALOGUE)[2], self.catalogue)

    def test_count_ends_after_its_requests(self):
        self.control([{"prefix": CATALOGUE, "count": 2, "status": 500}])
        self.assertEqual([self.get(CATALOGUE)[0] for _ in range(4)], [500, 500, 200, 200])

    def test_a_count_one_rule_answers_first_then_the_next_rule(self):
        self.control([{"prefix": CATALOGUE, "count": 1, "last_modified": "Tue, 14 Nov 2023 22:13:20 GMT"},
                      {"prefix": CATALOGUE, "status": 500}])
        # Read to the close, after which the server has written its log line.
        answers = [self.raw("GET %s?n=%d HTTP/1.0" % (CATALOGUE, n)) for n in range(3)]
        self.assertEqual([(a.status, a.headers.get("last-modified"), a.body) for a in answers],
                         [(200, "Tue, 14 Nov 2023 22:13:20 GMT", self.catalogue), (500, None, b""), (500, None, b"")])
        self.assertEqual([(line["request"], line["status"], line["bytes"]) for line in self.logged(3)],
                         [("GET %s?n=0 HTTP/1.0" % CATALOGUE, 200, len(self.catalogue)),
                          ("GET %s?n=1 HTTP/1.0" % CATALOGUE, 500, 0),
                          ("GET %s?n=2 HTTP/1.0" % CATALOGUE, 500, 0)])

    def test_new_rules_count_afresh(self):
        self.control([{"prefix": CATALOGUE, "count": 1, "status": 304}])
        self.assertEqual([self.get(CATALOGUE)[0] for _ in range(2)], [304, 200])
        self.control([{"prefix": CATALOGUE, "count": 1, "status": 304}, {"prefix": "/version/"}])
        self.assertEqual([self.get(CATALOGUE)[0] for _ in range(2)], [304, 200])

    def test_a_broken_control_file_is_reported(self):
        for text in ("[{", '{"prefix": "/"}', '[{"status": 500}]', '[{"prefix": "/", "stauts": 500}]',
                     '[{"prefix": "/", "status": "500"}]', '[{"prefix": "/", "body": -1}]',
                     '[{"prefix": "/", "content_length": true}]', '[{"prefix": 1}]',
                     '[{"prefix": "/", "stall_for": 2}]'):
            with self.subTest(text=text):
                with open(os.path.join(self.root, "control.json"), "w") as f:
                    f.write(text)
                status, _, body = self.get(CATALOGUE)
                self.assertEqual(status, 500)
                self.assertIn(b"control.json", body)


class Connections(ServerCase):
    def test_a_silent_connection_is_closed_within_11_s_while_others_are_served(self):
        self.write("catalogue", b"catalogue")
        with self.connect() as idle:
            opened = time.monotonic()
            served = 0
            while not select.select([idle], [], [], 0.5)[0]:
                self.assertLess(time.monotonic() - opened, 12, "still open")
                self.assertEqual(self.get(CATALOGUE)[2], b"catalogue")
                served += 1
            closed = time.monotonic() - opened
            self.assertEqual(idle.recv(1), b"")
        self.assertGreater(closed, 9)
        self.assertLessEqual(closed, 11)
        self.assertGreater(served, 5)
        self.assertEqual(len(self.logged(served)), served, "a silent connection is no request")

    def test_clients_that_close_after_the_headers_leave_the_server_serving(self):
        self.write("catalogue", b"catalogue")
        self.control([{"prefix": PICTURE, "body": 1500000}])
        for reset in (False, True, False, True):
            with self.connect() as s:
                s.sendall(self.request_bytes("GET %s?A=3&B=x HTTP/1.0" % PICTURE))
                self.assertEqual(self.read_headers(s).status, 200)
                if reset:
                    s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
        self.assertEqual(self.get(CATALOGUE)[2], b"catalogue")
        self.assertEqual([line["status"] for line in self.logged(5)], [200] * 5)
        self.assertNotIn("Traceback", self.server_log())

    def test_the_log_has_one_line_per_request(self):
        self.write("catalogue", b"catalogue")
        self.control([{"prefix": "/version/", "count": 1, "status": 304}])
        start = time.time()
        self.raw("GET %s HTTP/1.0" % CATALOGUE, ["User-Agent: KV840 V3.3.0.2706", "Connection: Keep-Alive"])
        self.raw("GET /version/ver.php?P=KV840 HTTP/1.0", ["User-Agent: -"])
        self.raw("GET /nothing HTTP/1.0", ["Proxy-Authorization: Basic dTpw"])
        self.raw("GET http://127.0.0.1/r/goto.php HTTP/1.0")
        self.raw("POST %s HTTP/1.0" % CATALOGUE)
        with self.connect() as s:
            s.sendall(b"nonsense\r\n\r\n")
            while s.recv(4096):
                pass
        lines = self.logged(6)
        end = time.time()
        for line in lines:
            self.assertEqual(set(line), {"time", "request", "user_agent", "proxy_authorization", "status", "bytes"})
            self.assertTrue(start - 1 <= line["time"] <= end + 1, line)
        goto_bytes = lines[3]["bytes"] if len(lines) > 3 else None
        self.assertGreater(goto_bytes, 0)
        self.assertEqual([(l["request"], l["user_agent"], l["proxy_authorization"], l["status"], l["bytes"])
                          for l in lines[:3]] + [(l["request"], l["status"]) for l in lines[3:]],
                         [("GET %s HTTP/1.0" % CATALOGUE, "KV840 V3.3.0.2706", None, 200, 9),
                          ("GET /version/ver.php?P=KV840 HTTP/1.0", "-", None, 304, 0),
                          ("GET /nothing HTTP/1.0", None, "Basic dTpw", 404, 0),
                          ("GET http://127.0.0.1/r/goto.php HTTP/1.0", 200),
                          ("POST %s HTTP/1.0" % CATALOGUE, 501),
                          ("nonsense", 400)])


class ProxyMode(ServerCase):
    proxy_auth = "u:p"
    credentials = "Proxy-Authorization: Basic dTpw"  # printf u:p | base64

    def setUp(self):
        super().setUp()
        self.catalogue = b"20100607,3,abc.jpg\n"
        self.write("catalogue", self.catalogue)

    def test_without_the_right_credentials_407(self):
        for headers in ([], ["Proxy-Authorization: Basic dTpx"], ["Proxy-Authorization: Digest dTpw"],
                        ["Authorization: Basic dTpw"]):
            with self.subTest(headers=headers):
                answer = self.raw("GET http://vesko.invalid%s HTTP/1.0" % CATALOGUE, headers)
                self.assertEqual(answer.status, 407)
                self.assertEqual(answer.headers.get("proxy-authenticate"), 'Basic realm="vesko"')
                self.assertEqual(answer.body, b"")

    def test_with_credentials_an_absolute_uri_is_served_from_the_root_and_nothing_is_connected(self):
        with socket.socket() as elsewhere:
            elsewhere.bind(("127.0.0.1", 0))
            elsewhere.listen(4)
            elsewhere.settimeout(0.5)
            url = "http://127.0.0.1:%d%s" % (elsewhere.getsockname()[1], CATALOGUE)
            answer = self.raw("GET %s HTTP/1.0" % url, [self.credentials])
            self.assertEqual(answer.status, 200)
            self.assertEqual(answer.body, self.catalogue)
            self.assertEqual(answer.headers.get("content-length"), str(len(self.catalogue)))
            with self.assertRaises(socket.timeout):
                elsewhere.accept()
        self.assertEqual(self.logged(1)[0]["proxy_authorization"], "Basic dTpw")

    def test_rules_apply_to_absolute_uris(self):
        self.control([{"prefix": CATALOGUE, "count": 1, "status": 304}])
        statuses = [self.raw("GET http://vesko.invalid%s HTTP/1.0" % CATALOGUE, [self.credentials]).status
                    for _ in range(2)]
        self.assertEqual(statuses, [304, 200])


if __name__ == "__main__":
    unittest.main()
