#!/usr/bin/python3
"""Write samples/objects.docx: a Word 2007 document laid out as Word writes one, holding an equation
(Office Math) and an embedded workbook (a spreadsheet package with its picture), the two kinds of object
that Word users put into documents most.

Run with any python3:  python3 samples/source/make_word_objects.py
LibreOffice cannot write these the way Word does, so the package is written here part by part.
"""
import os
import struct
import zipfile
import zlib

OUT = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "objects.docx")
FIXED = (2026, 12, 7, 12, 0, 0)  # every part dated alike, so the file is the same on every run

RELS = "application/vnd.openxmlformats-package.relationships+xml"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PACKAGE_RELS = "http://schemas.openxmlformats.org/package/2006/relationships"


def png(width, height, rgb):
    """A plain picture of one colour."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    rows = b"".join(b"\0" + bytes(rgb) * width for _ in range(height))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def package(parts):
    """A zip package of (name, text or bytes) pairs."""
    import io
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts:
            info = zipfile.ZipInfo(name, FIXED)
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data.encode("utf-8") if isinstance(data, str) else data)
    return buffer.getvalue()


def workbook():
    """A workbook of one sheet: a heading and a number."""
    main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
    return package([
        ("[Content_Types].xml",
         '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
         '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         f'<Default Extension="rels" ContentType="{RELS}"/>'
         '<Default Extension="xml" ContentType="application/xml"/>'
         '<Override PartName="/xl/workbook.xml" '
         'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
         '<Override PartName="/xl/worksheets/sheet1.xml" '
         'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
         '</Types>'),
        ("_rels/.rels",
         f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="{PACKAGE_RELS}">'
         f'<Relationship Id="rId1" Type="{REL}/officeDocument" Target="xl/workbook.xml"/></Relationships>'),
        ("xl/workbook.xml",
         f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><workbook xmlns="{main}" xmlns:r="{REL}">'
         '<sheets><sheet name="Budget" sheetId="1" r:id="rId1"/></sheets></workbook>'),
        ("xl/_rels/workbook.xml.rels",
         f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="{PACKAGE_RELS}">'
         f'<Relationship Id="rId1" Type="{REL}/worksheet" Target="worksheets/sheet1.xml"/></Relationships>'),
        ("xl/worksheets/sheet1.xml",
         f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><worksheet xmlns="{main}"><sheetData>'
         '<row r="1"><c r="A1" t="inlineStr"><is><t>Budget total</t></is></c><c r="B1"><v>4711</v></c></row>'
         '</sheetData></worksheet>'),
    ])


DOCUMENT = f"""<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:r="{REL}" \
xmlns:m="http://schemas.openxmlformats.org/officeDocument/2006/math" xmlns:v="urn:schemas-microsoft-com:vml" \
xmlns:o="urn:schemas-microsoft-com:office:office"><w:body>
<w:p><w:pPr><w:pStyle w:val="Heading1"/></w:pPr><w:r><w:t>Objects in a document</w:t></w:r></w:p>
<w:p><w:r><w:t xml:space="preserve">The energy is </w:t></w:r><m:oMath><m:r><m:t>E=m</m:t></m:r><m:sSup><m:e>\
<m:r><m:t>c</m:t></m:r></m:e><m:sup><m:r><m:t>2</m:t></m:r></m:sup></m:sSup></m:oMath>\
<w:r><w:t xml:space="preserve">, as the equation says.</w:t></w:r></w:p>
<w:p><w:r><w:t>The budget follows, as a workbook:</w:t></w:r></w:p>
<w:p><w:r><w:object w:dxaOrig="2880" w:dyaOrig="720"><v:shape id="_x0000_i1025" type="#_x0000_t75" \
style="width:144pt;height:36pt" o:ole=""><v:imagedata r:id="rIdPicture" o:title=""/></v:shape>\
<o:OLEObject Type="Embed" ProgID="Excel.Sheet.12" ShapeID="_x0000_i1025" DrawAspect="Content" \
ObjectID="_1790000001" r:id="rIdWorkbook"/></w:object></w:r></w:p>
<w:p><w:r><w:t>Größe after the objects.</w:t></w:r></w:p>
</w:body></w:document>
"""


def main():
    data = package([
        ("[Content_Types].xml",
         '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
         '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
         f'<Default Extension="rels" ContentType="{RELS}"/>'
         '<Default Extension="xml" ContentType="application/xml"/>'
         '<Default Extension="png" ContentType="image/png"/>'
         '<Default Extension="xlsx" '
         'ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"/>'
         '<Override PartName="/word/document.xml" '
         'ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
         '</Types>'),
        ("_rels/.rels",
         f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="{PACKAGE_RELS}">'
         f'<Relationship Id="rId1" Type="{REL}/officeDocument" Target="word/document.xml"/></Relationships>'),
        ("word/_rels/document.xml.rels",
         f'<?xml version="1.0" encoding="UTF-8" standalone="yes"?><Relationships xmlns="{PACKAGE_RELS}">'
         f'<Relationship Id="rIdPicture" Type="{REL}/image" Target="media/image1.png"/>'
         f'<Relationship Id="rIdWorkbook" Type="{REL}/package" Target="embeddings/Budget.xlsx"/>'
         '</Relationships>'),
        ("word/document.xml", DOCUMENT),
        ("word/media/image1.png", png(192, 48, (200, 220, 255))),
        ("word/embeddings/Budget.xlsx", workbook()),
    ])
    with open(OUT, "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main()
