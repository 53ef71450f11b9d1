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

# A document that tries to act when opened: its Basic macro, run by the "open document" event and also
# named as Word's auto-open macros, writes a file wherever LARKSPAN_MACRO_PROOF points. LibreOffice's Word
# filters do not save Basic, and by their names alone the auto-open macros do not run even when allowed, so
# OpenDocument carries it, bound to the event.
MACRO_SAMPLE = "hostile/macro-on-open.odt"
MACRO_CODE = """Option VBASupport 1
Sub Proof
    Dim n As Integer
    n = FreeFile
    Open Environ("LARKSPAN_MACRO_PROOF") For Output As #n
    Print #n, "the macro ran"
    Close #n
End Sub
Sub AutoOpen
    Proof
End Sub
Sub Document_Open
    Proof
End Sub
"""
MACRO_URL = "vnd.sun.star.script:Standard.Module1.Proof?language=Basic&location=document"

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


def make_macro_sample(desktop, path):
    doc = desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, (prop("Hidden", True),))
    doc.Text.setString("A document whose macro writes a file when it is opened.")
    libraries = doc.BasicLibraries
    if not libraries.hasByName("Standard"):
        libraries.createLibrary("Standard")
    libraries.getByName("Standard").insertByName("Module1", MACRO_CODE)
    event = uno.Any("[]com.sun.star.beans.PropertyValue", (prop("EventType", "Script"), prop("Script", MACRO_URL)))
    uno.invoke(doc.Events, "replaceByName", ("OnLoad", event))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    doc.storeToURL(uno.systemPathToFileUrl(path), (prop("FilterName", "writer8"), prop("Overwrite", True)))
    doc.close(True)
    check_macro_runs(desktop, path)


def check_macro_runs(desktop, path):
    """The sample is worth its name only if its macro does run when macros are allowed."""
    proof = os.environ["LARKSPAN_MACRO_PROOF"]
    if os.path.exists(proof):
        os.remove(proof)
    always = 4  # com.sun.star.document.MacroExecMode.ALWAYS_EXECUTE_NO_WARN
    # Not hidden: a hidden document's "open document" event does not fire (LibreOfficeKit's loads are not hidden).
    doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(path), "_blank", 0,
                                       (prop("MacroExecutionMode", always),))
    time.sleep(2)
    doc.close(True)
    print("  its macro", "ran when allowed" if os.path.exists(proof) else "did NOT run even when allowed")


def main():
    profile = tempfile.mkdtemp(prefix="larkspan-samples-")
    os.environ["LARKSPAN_MACRO_PROOF"] = os.path.join(profile, "macro-proof.txt")
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
        if not wanted or MACRO_SAMPLE in wanted:
            make_macro_sample(desktop, os.path.join(OUT, MACRO_SAMPLE))
            print("made", MACRO_SAMPLE)
        desktop.terminate()
    finally:
        try:
            office.wait(timeout=20)
        except subprocess.TimeoutExpired:
            office.kill()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main()
