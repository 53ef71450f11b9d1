#!/usr/bin/python3
"""Write samples/fingerprint/counts.doc: a Word 97 document whose fingerprint is known, for the tests of
the reader of Word binary files.

Run with any python3 and LibreOffice:  python3 samples/source/make_fingerprint_samples.py
The document is written here as flat OpenDocument text, each thing a fingerprint counts placed by hand,
and LibreOffice stores it as Word 97 (soffice --convert-to doc) with a throwaway profile. COUNTS below is
what the document holds; the test expects the same.
"""
import base64
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(os.path.dirname(HERE), "fingerprint")

COUNTS = {
    # 6 paragraphs in the body; in the first table 4 cells, the last holding a nested table of 2 cells and
    # the empty paragraph that closes the cell after it; 6 cells in the second table
    "paragraphs": 19,
    "tables": 3,  # one of them nested
    "pictures": 2,  # one in the line, one floating beside it
    "objects": 0,  # the one object is the equation, counted as such
    "equations": 1,
    "comments": 3,
    "footnotes": 2,
    "endnotes": 1,
    "insertions": 1,
    "deletions": 1,
    # the page count and the title in the body, the page number in the footer
    "fields": 3,
}


def png(width, height, rgb):
    """A plain picture of one colour."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    rows = b"".join(b"\0" + bytes(rgb) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


WHEN = "2024-03-01T10:00:00"


def comment(author, text):
    return (f"<office:annotation><dc:creator>{author}</dc:creator><dc:date>{WHEN}</dc:date>"
            f"<text:p>{text}</text:p></office:annotation>")


def note(kind, number, text):
    return (f'<text:note text:id="{kind}{number}" text:note-class="{kind}"><text:note-citation>{number}'
            f'</text:note-citation><text:note-body><text:p>{text}</text:p></text:note-body></text:note>')


def table(name, rows):
    """A table of rows of cells; a cell is its text, or a nested table's XML."""
    cells = "".join("<table:table-row>" + "".join(
        f'<table:table-cell office:value-type="string">'
        f'{cell if cell.startswith("<") else "<text:p>" + cell + "</text:p>"}</table:table-cell>'
        for cell in row) + "</table:table-row>" for row in rows)
    return (f'<table:table table:name="{name}"><table:table-column table:number-columns-repeated='
            f'"{len(rows[0])}"/>{cells}</table:table>')


PICTURE = base64.b64encode(png(8, 8, (200, 40, 40))).decode("ascii")
MATH = ('<math:math xmlns:math="http://www.w3.org/1998/Math/MathML"><math:semantics><math:mrow>'
        '<math:mi>E</math:mi><math:mo>=</math:mo><math:mi>m</math:mi><math:msup><math:mi>c</math:mi>'
        '<math:mn>2</math:mn></math:msup></math:mrow>'
        '<math:annotation math:encoding="StarMath 5.0">E = m c^2</math:annotation></math:semantics></math:math>')

BODY = f"""
<text:h text:outline-level="1">Fingerprint counts sample</text:h>
<text:p>Alpha paragraph with a picture <draw:frame draw:name="Picture" text:anchor-type="as-char" \
svg:width="0.5cm" svg:height="0.5cm" draw:z-index="0"><draw:image><office:binary-data>{PICTURE}\
</office:binary-data></draw:image></draw:frame> and a first note{note("footnote", 1, "First footnote words")} \
and a remark{comment("Ann Author", "First comment words")} here.</text:p>
<text:p>Bravo paragraph keeps <text:change-start text:change-id="ins1"/>inserted clause\
<text:change-end text:change-id="ins1"/> and loses <text:change text:change-id="del1"/><text:s/>old words.</text:p>
{table("First", [["Charlie one", "Delta two"],
                  ["Echo three", "<text:p>Foxtrot four</text:p>" + table("Nested", [["Xray", "Yankee"]])]])}
<text:p>Golf between tables{note("footnote", 2, "Second footnote words")}\
{comment("Bob Builder", "Second comment words")} sits here<draw:frame draw:name="Floating" \
text:anchor-type="paragraph" svg:x="12cm" svg:y="0cm" svg:width="1cm" svg:height="1cm" draw:z-index="3">\
<draw:image><office:binary-data>{PICTURE}</office:binary-data></draw:image></draw:frame>.</text:p>
{table("Second", [["Hotel", "India", "Juliett"], ["Kilo", "Lima", "Mike"]])}
<text:p>November formula <draw:frame draw:name="Formula" text:anchor-type="as-char" svg:width="2cm" \
svg:height="0.6cm" draw:z-index="1"><draw:object>{MATH}</draw:object></draw:frame> with a box\
<draw:frame draw:name="Box" text:anchor-type="paragraph" svg:x="1cm" svg:y="0cm" svg:width="4cm" \
svg:height="1.5cm" draw:z-index="2"><draw:text-box><text:p>Oscar boxed words</text:p></draw:text-box>\
</draw:frame> and an end note{note("endnote", 1, "Papa endnote words")}\
{comment("Ann Author", "Third comment words")}.</text:p>
<text:p>Quebec fields: pages <text:page-count>1</text:page-count> title <text:title>Romeo</text:title>.</text:p>
"""

DOCUMENT = f"""<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" \
xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" \
xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" \
xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" \
xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" \
xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" \
xmlns:xlink="http://www.w3.org/1999/xlink" xmlns:dc="http://purl.org/dc/elements/1.1/" \
xmlns:meta="urn:oasis:names:tc:opendocument:xmlns:meta:1.0" \
xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" \
office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:meta><dc:title>Romeo</dc:title><meta:creation-date>{WHEN}</meta:creation-date>\
<dc:date>{WHEN}</dc:date><meta:editing-cycles>1</meta:editing-cycles>\
<meta:editing-duration>PT0S</meta:editing-duration></office:meta>
<office:automatic-styles>
<style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="21cm" \
fo:page-height="29.7cm" fo:margin-top="2cm" fo:margin-bottom="2cm" fo:margin-left="2cm" \
fo:margin-right="2cm"/><style:header-style><style:header-footer-properties fo:min-height="0.5cm"/>\
</style:header-style><style:footer-style><style:header-footer-properties fo:min-height="0.5cm"/>\
</style:footer-style></style:page-layout>
</office:automatic-styles>
<office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1">\
<style:header><text:p>Sierra header words</text:p></style:header>\
<style:footer><text:p>Tango footer page <text:page-number text:select-page="current">1</text:page-number>\
</text:p></style:footer></style:master-page></office:master-styles>
<office:body><office:text>
<text:tracked-changes text:track-changes="false">
<text:changed-region text:id="ins1" xml:id="ins1"><text:insertion><office:change-info>\
<dc:creator>Ann Author</dc:creator><dc:date>{WHEN}</dc:date></office:change-info></text:insertion>\
</text:changed-region>
<text:changed-region text:id="del1" xml:id="del1"><text:deletion><office:change-info>\
<dc:creator>Bob Builder</dc:creator><dc:date>{WHEN}</dc:date></office:change-info>\
<text:p>Uniform deleted clause</text:p></text:deletion></text:changed-region>
</text:tracked-changes>
{BODY}
</office:text></office:body></office:document>
"""


def main():
    os.makedirs(OUT, exist_ok=True)
    work = tempfile.mkdtemp(prefix="larkspan-fingerprint-")
    try:
        source = os.path.join(work, "counts.fodt")
        with open(source, "w", encoding="utf-8") as f:
            f.write(DOCUMENT)
        subprocess.run(["soffice", "--headless", "--norestore", f"-env:UserInstallation=file://{work}/profile",
                        "--convert-to", "doc:MS Word 97", "--outdir", work, source],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        shutil.copyfile(os.path.join(work, "counts.doc"), os.path.join(OUT, "counts.doc"))
        if "--keep-source" in sys.argv:
            shutil.copyfile(source, os.path.join(OUT, "counts.fodt"))
        print("made", os.path.join(OUT, "counts.doc"))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
