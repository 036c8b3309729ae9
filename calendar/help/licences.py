#!/usr/bin/env python3
"""The licence notices of the built-in month pictures, made from their CREDITS.

    licences.py text CREDITS OUT   LIZENZEN.txt, shipped beside vesko.exe (Windows-1252, CRLF)
    licences.py html CREDITS OUT   the help page "Bildnachweis und Lizenzen" of 840D.chm

Each month has one line naming its picture and its preview with title, author,
licence and source package. A licence this script does not know stops it, so
that a new picture cannot ship without its notice. The text file ends with the
GNU GPL version 2 (from Debian's common licences) when a picture is under it.
"""
import html
import os
import sys

MONTHS = ["Januar", "Februar", "M\u00e4rz", "April", "Mai", "Juni", "Juli", "August", "September",
          "Oktober", "November", "Dezember"]

# Licence id of CREDITS: German name and where its text is.
LICENCES = {
    "CC-BY-4.0": ("Creative Commons Namensnennung 4.0 International",
                  "https://creativecommons.org/licenses/by/4.0/legalcode.de"),
    "CC-BY-SA-3.0": ("Creative Commons Namensnennung - Weitergabe unter gleichen Bedingungen 3.0 Unported",
                     "https://creativecommons.org/licenses/by-sa/3.0/legalcode"),
    "CC-BY-SA-4.0": ("Creative Commons Namensnennung - Weitergabe unter gleichen Bedingungen 4.0 International",
                     "https://creativecommons.org/licenses/by-sa/4.0/legalcode.de"),
    "CC0-1.0": ("Creative Commons CC0 1.0 Universell (ohne Vorbehalt von Rechten)",
                "https://creativecommons.org/publicdomain/zero/1.0/legalcode.de"),
    "GPL-2+": ("GNU General Public License, Version 2 oder (nach Wahl) jede sp\u00e4tere Version",
               "https://www.gnu.org/licenses/old-licenses/gpl-2.0.html"),
}
GPL_TEXT = "/usr/share/common-licenses/GPL-2"

INTRO = ("Die zw\u00f6lf Monatsbilder von vesko (Ressourcen C01X bis C12X) und ihre Vorschaubilder sind "
         "verkleinerte und mittig beschnittene Fassungen von Fotografien aus Debian-Paketen mit "
         "Hintergrundbildern. Sie stehen unter den Lizenzen ihrer Urheber. Die Dateinamen sind die der "
         "Bilder im Quelltext des Programms.")


def read_credits(path):
    entries, entry = {}, None
    with open(path, encoding="utf-8") as f:
        for line in f:
            key, sep, value = line.rstrip("\r\n").partition(": ")
            if not sep or " " in key:
                continue
            if key == "month":
                entry = entries.setdefault(int(value), {})
            elif entry is not None:
                entry[key] = value
    for month in range(1, 13):
        entry = entries.get(month)
        if entry is None:
            sys.exit(f"licences.py: no credits for month {month}")
        for key in ("title", "author", "licence", "package", "file"):
            if not entry.get(key):
                sys.exit(f"licences.py: month {month} has no {key}")
        if entry["licence"] not in LICENCES:
            sys.exit(f"licences.py: month {month}: unknown licence {entry['licence']}")
    return entries


def picture_line(month, e):
    return (f"c{month:02d}x.jpg und p{month:02d}x.jpg ({MONTHS[month - 1]}): \"{e['title']}\" von {e['author']}, "
            f"Lizenz {e['licence']}, aus dem Debian-Paket {e['package']} ({e['file']})")


def gpl_months(entries):
    return [m for m in sorted(entries) if entries[m]["licence"].startswith("GPL")]


def gpl_notice(entries):
    months = gpl_months(entries)
    packages = sorted({entries[m]["package"] for m in months})
    return ("Die Bilder unter GPL-2+ (" + ", ".join(MONTHS[m - 1] for m in months) + ") sind freie Software: "
            "Sie k\u00f6nnen sie unter den Bedingungen der GNU General Public License, wie von der Free "
            "Software Foundation ver\u00f6ffentlicht, weitergeben und/oder ver\u00e4ndern, entweder gem\u00e4\u00df "
            "Version 2 der Lizenz oder (nach Ihrer Wahl) jeder sp\u00e4teren Version. Sie werden OHNE JEDE "
            "GEW\u00c4HRLEISTUNG bereitgestellt, sogar ohne die implizite Gew\u00e4hrleistung der MARKTF\u00c4HIGKEIT "
            "oder der EIGNUNG F\u00dcR EINEN BESTIMMTEN ZWECK. Die Originalbilder, aus denen sie gemacht sind, "
            "enth\u00e4lt das Debian-Quellpaket " + ", ".join(packages) + ".")


def used_licences(entries):
    return [lid for lid in LICENCES if any(e["licence"] == lid for e in entries.values())]


def text(entries):
    lines = ["vesko: Bildnachweis und Lizenzen der Monatsbilder", "", INTRO, ""]
    lines += [picture_line(m, entries[m]) for m in sorted(entries)]
    lines += ["", "Lizenzen:"]
    lines += [f"{lid}: {LICENCES[lid][0]}, {LICENCES[lid][1]}" for lid in used_licences(entries)]
    if gpl_months(entries):
        lines += ["", gpl_notice(entries), "Der Wortlaut der GPL Version 2 folgt am Ende dieser Datei.", "",
                  "-" * 70, ""]
        with open(GPL_TEXT, encoding="utf-8") as f:
            lines += f.read().rstrip("\n").split("\n")
    return "\r\n".join(lines) + "\r\n"


def esc(text):
    return html.escape(text, quote=False)


def page(entries):
    lines = [
        '<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01//EN">',
        "<html>",
        "<head>",
        '<meta http-equiv="Content-Type" content="text/html; charset=iso-8859-1">',
        "<title>Bildnachweis und Lizenzen</title>",
        "</head>",
        "<body>",
        "<h1>Bildnachweis und Lizenzen</h1>",
        f"<p>{esc(INTRO)}</p>",
        "<ul>",
    ]
    lines += [f"<li>{esc(picture_line(m, entries[m]))}</li>" for m in sorted(entries)]
    lines += ["</ul>", "<h2>Lizenzen</h2>", "<ul>"]
    lines += [f'<li>{esc(lid)}: <a href="{LICENCES[lid][1]}">{esc(LICENCES[lid][0])}</a></li>'
              for lid in used_licences(entries)]
    lines.append("</ul>")
    if gpl_months(entries):
        lines.append(f"<p>{esc(gpl_notice(entries))} Den Wortlaut der GPL Version 2 enth\u00e4lt die Datei "
                     "LIZENZEN.txt neben dem Programm.</p>")
    lines += ['<p><a href="index.html">Zur\u00fcck zur \u00dcbersicht</a></p>', "</body>", "</html>"]
    return "\r\n".join(lines) + "\r\n"


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("text", "html"):
        sys.exit(__doc__)
    entries = read_credits(sys.argv[2])
    if sys.argv[1] == "text":
        data = text(entries).encode("cp1252")
    else:
        data = page(entries).encode("ascii", "xmlcharrefreplace")
    out = sys.argv[3]
    with open(out + ".tmp", "wb") as f:
        f.write(data)
    os.replace(out + ".tmp", out)


if __name__ == "__main__":
    main()
