#!/usr/bin/python3
"""Rebuild the sample documents from the sources beside this script.

Run with Debian's python3 and python3-uno:  /usr/bin/python3 samples/source/make_samples.py [OUTPUT...]
It starts a headless LibreOffice with a throwaway profile, so a running office is not disturbed. With
output names (such as revisions.docx) only those are made.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue
from com.sun.star.connection import NoConnectException

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.dirname(HERE)

# (source, output name, filter, open password or None)
SAMPLES = [
    ("report.html", "report.doc", "MS Word 97", None),
    ("memo.html", "memo.docx", "MS Word 2007 XML", None),
    ("letter.html", "letter.docx", "MS Word 2007 XML", None),
    ("memo.html", "password/protected.doc", "MS Word 97", "larkspan"),
    ("revisions.fodt", "revisions.docx", "MS Word 2007 XML", None),
    ("revisions.fodt", "revisions.odt", "writer8", None),
]

# HTML is loaded into Writer proper, not Writer/Web, so the Word filters are available.
IMPORT_FILTERS = {".html": "HTML (StarWriter)", ".fodt": "OpenDocument Text Flat XML"}


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def connect(pipe):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(100):
        try:
            return resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
        except NoConnectException:
            time.sleep(0.2)
    sys.exit("LibreOffice did not start")


def main():
    profile = tempfile.mkdtemp(prefix="larkspan-samples-")
    pipe = f"larkspan_samples_{os.getpid()}"
    office = subprocess.Popen(["soffice", "--headless", "--invisible", "--norestore",
                               f"-env:UserInstallation=file://{profile}", f"--accept=pipe,name={pipe};urp;"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        ctx = connect(pipe)
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        wanted = set(sys.argv[1:])
        for source, target, filter_name, password in SAMPLES:
            if wanted and target not in wanted:
                continue
            url = uno.systemPathToFileUrl(os.path.join(HERE, source))
            import_filter = IMPORT_FILTERS[os.path.splitext(source)[1]]
            doc = desktop.loadComponentFromURL(url, "_blank", 0, (prop("FilterName", import_filter),
                                                                  prop("Hidden", True)))
            args = [prop("FilterName", filter_name), prop("Overwrite", True)]
            if password:
                args.append(prop("Password", password))
            doc.storeAsURL(uno.systemPathToFileUrl(os.path.join(OUT, target)), tuple(args))
            doc.close(True)
            print("made", target)
        desktop.terminate()
    finally:
        try:
            office.wait(timeout=20)
        except subprocess.TimeoutExpired:
            office.kill()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main()
