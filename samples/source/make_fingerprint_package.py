#!/usr/bin/python3
"""Write samples/fingerprint/counts.docx: a Word 2007 package that holds a known number of each thing a
document's fingerprint counts, for the test of the package reader.

Run with any python3:  python3 samples/source/make_fingerprint_package.py
Its bytes are the same on every run. What it holds, and so what the reader must find:

  paragraphs   18 of the main story (table cells' included; the text box's, the notes' and the
               comments' not)
  tables       2 (one nested in the other)
  pictures     3: one inline, one old-style VML, one in the fallback of a choice that needs chartex (the
               choice's own two must not count); the OLE equation's face is no picture
  objects      0 (the one OLE object is an equation, counted as one)
  equations    3: a display equation (one m:oMathPara around one m:oMath), an inline one, the OLE one
  comments     3
  footnotes    2, endnotes 1 (and the separator and continuation separator of each, which do not count)
  insertions   3 (two in the body, one in a comment; an inserted paragraph mark does not count)
  deletions    2 (one in the body, one in a footnote)
  fields       5: AUTHOR (simple), DATE, IF with PAGE nested in its instructions, PAGE in the header
  text box     one, written twice (wps choice and VML fallback), whose words count once

The main part is not word/document.xml but content/body.xml, as the package's relationships say; its parts
are named relative to it, one by an absolute name, media through "..". The header uses the default
namespace (and "x" for its attributes) and the comments the prefix "ns0" for WordprocessingML: names are
matched by namespace URI.
"""
import os
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "fingerprint", "counts.docx")
FIXED = (2026, 12, 7, 12, 0, 0)  # every part dated alike, so the file is the same on every run

W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
REL = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
PACKAGE_RELS = "http://schemas.openxmlformats.org/package/2006/relationships"
RELS = "application/vnd.openxmlformats-package.relationships+xml"
WML = "application/vnd.openxmlformats-officedocument.wordprocessingml"
NAMESPACES = (
    f'xmlns:w="{W}" xmlns:r="{REL}" '
    'xmlns:m="http://schemas.openxmlformats.org/officeDocument/2006/math" '
    'xmlns:v="urn:schemas-microsoft-com:vml" xmlns:o="urn:schemas-microsoft-com:office:office" '
    'xmlns:wp="http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing" '
    'xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main" '
    'xmlns:pic="http://schemas.openxmlformats.org/drawingml/2006/picture" '
    'xmlns:wps="http://schemas.microsoft.com/office/word/2010/wordprocessingShape" '
    'xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006" '
    'xmlns:cx1="http://schemas.microsoft.com/office/drawing/2015/9/8/chartex"'
)
HEAD = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'

# A PNG of 1 x 1 pixel.
PNG = bytes.fromhex(
    "89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de"
    "0000000c4944415408d763f8cfc0000003010100c9fe92ef0000000049454e44ae426082"
)


def p(*runs, props=""):
    return f"<w:p>{props}{''.join(runs)}</w:p>"


def r(text):
    return f'<w:r><w:t xml:space="preserve">{text}</w:t></w:r>'


def inline_picture(rid, number):
    return (
        '<w:r><w:drawing><wp:inline><wp:extent cx="95250" cy="95250"/>'
        f'<wp:docPr id="{number}" name="Picture {number}"/>'
        '<a:graphic><a:graphicData uri="http://schemas.openxmlformats.org/drawingml/2006/picture">'
        f'<pic:pic><pic:nvPicPr><pic:cNvPr id="{number}" name="dot.png"/><pic:cNvPicPr/></pic:nvPicPr>'
        f'<pic:blipFill><a:blip r:embed="{rid}"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill>'
        '<pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="95250" cy="95250"/></a:xfrm>'
        '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>'
        "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>"
    )


def box_content():
    return f"<w:txbxContent>{p(r('Boxed words here'))}{p(r('and a second boxed line'))}</w:txbxContent>"


def begin():
    return '<w:r><w:fldChar w:fldCharType="begin"/></w:r>'


def instr(text):
    return f'<w:r><w:instrText xml:space="preserve">{text}</w:instrText></w:r>'


def separate():
    return '<w:r><w:fldChar w:fldCharType="separate"/></w:r>'


def end():
    return '<w:r><w:fldChar w:fldCharType="end"/></w:r>'


def ins(number, *runs):
    return f'<w:ins w:id="{number}" w:author="Ann Editor" w:date="2026-01-01T10:00:00Z">{"".join(runs)}</w:ins>'


def delete(number, text):
    return (f'<w:del w:id="{number}" w:author="Bob Reviewer" w:date="2026-01-02T10:00:00Z">'
            f'<w:r><w:delText xml:space="preserve">{text}</w:delText></w:r></w:del>')


def cell(*blocks):
    return f'<w:tc><w:tcPr><w:tcW w:w="2000" w:type="dxa"/></w:tcPr>{"".join(blocks)}</w:tc>'


def table(*rows):
    grid = "".join('<w:gridCol w:w="2000"/>' for _ in range(2))
    body = "".join(f"<w:tr>{''.join(cells)}</w:tr>" for cells in rows)
    return f'<w:tbl><w:tblPr><w:tblW w:w="4000" w:type="dxa"/></w:tblPr><w:tblGrid>{grid}</w:tblGrid>{body}</w:tbl>'


BODY = "".join([
    # 1
    p(r("Fingerprint of a package"), props='<w:pPr><w:pStyle w:val="Heading1"/></w:pPr>'),
    # 2: two insertions, one deletion; the inserted paragraph mark is no insertion of text
    p(r("Tracked"), ins(1, r(" inserted words")), delete(2, " deleted words"), r(" stay"),
      props='<w:pPr><w:rPr><w:ins w:id="3" w:author="Ann Editor" w:date="2026-01-01T10:00:00Z"/></w:rPr></w:pPr>'),
    # 3
    p(r("More"), ins(4, r(" added later"))),
    # 4: fields; instructions are no text, nor is the nested PAGE's result inside IF's instructions
    p(r("Written by "),
      '<w:fldSimple w:instr=" AUTHOR \\* MERGEFORMAT "><w:r><w:t>Ada Lovelace</w:t></w:r></w:fldSimple>',
      r(" in "), begin(), instr(' DATE \\@ "yyyy" '), separate(), r("2026"), end(),
      r(" on the "), begin(), instr(" IF "), begin(), instr(" PAGE "), separate(), r("1"), end(),
      instr(' = 1 "first page" "later page" '), separate(), r("first page"), end()),
    # 5: notes
    p(r("A claim"), '<w:r><w:footnoteReference w:id="1"/></w:r>', r(" and another"),
      '<w:r><w:footnoteReference w:id="2"/></w:r>', r(" and an end"), '<w:r><w:endnoteReference w:id="1"/></w:r>'),
    # 6: comments, one across two paragraphs
    p('<w:commentRangeStart w:id="0"/>', r("Remarked upon"), '<w:commentRangeEnd w:id="0"/>',
      '<w:r><w:commentReference w:id="0"/></w:r>', '<w:commentRangeStart w:id="1"/>', r(" twice")),
    # 7
    p(r("over two paragraphs"), '<w:commentRangeEnd w:id="1"/>', '<w:r><w:commentReference w:id="1"/></w:r>',
      r(" and thrice"), '<w:r><w:commentReference w:id="2"/></w:r>'),
    # 8: tabs, breaks and symbols stand between words
    p('<w:r><w:t>Tab</w:t><w:tab/><w:t>separated</w:t><w:br/><w:t>lines</w:t>'
      '<w:sym w:font="Wingdings" w:char="F0E0"/><w:t>arrow</w:t></w:r>',
      '<w:hyperlink r:id="rIdLink"><w:r><w:t xml:space="preserve"> linked words</w:t></w:r></w:hyperlink>'),
    # 9-14: a table of four cells, one holding a nested table of two and the paragraph a cell ends with
    table(
        [cell(p(r("Cell one"))),
         cell(table([cell(p(r("inner left"))), cell(p(r("inner right")))]), p())],
        [cell(p(r("cell three"))), cell(p(r("cell four")))],
    ),
    # 15: an inline picture, and a chart's choice (not read: chartex is not understood) whose fallback is a
    # picture; the choice's two pictures must not count
    p(r("Pictures:"), inline_picture("rIdImage", 1),
      '<mc:AlternateContent><mc:Choice Requires="cx1">', inline_picture("rIdImage", 2), inline_picture("rIdImage", 5),
      "</mc:Choice><mc:Fallback>", inline_picture("rIdImage", 3), "</mc:Fallback></mc:AlternateContent>",
      '<w:r><w:pict><v:shape style="width:7.5pt;height:7.5pt"><v:imagedata r:id="rIdImage" o:title=""/>'
      "</v:shape></w:pict></w:r>"),
    # 16: a display equation: one, however many m:oMath it holds
    p('<m:oMathPara><m:oMath><m:r><m:t>a=b</m:t></m:r></m:oMath></m:oMathPara>'),
    # 17: an inline equation and an OLE one, whose face is no picture
    f'<p xmlns="{W}">' + r("Sum ")
    + '<m:oMath><m:r><m:t>x+y</m:t></m:r></m:oMath>'
    + r(" and Equation ")
    + '<w:r><w:object w:dxaOrig="720" w:dyaOrig="360"><v:shape id="_x0000_i1025" style="width:36pt;height:18pt" '
      'o:ole=""><v:imagedata r:id="rIdImage" o:title=""/></v:shape><o:OLEObject Type="Embed" ProgID="Equation.3" '
      'ShapeID="_x0000_i1025" DrawAspect="Content" ObjectID="_1790000002" r:id="rIdOle"/></w:object></w:r>'
    + r(" done") + "</p>",
    # 18: a text box, written as Word writes it: a wps shape, and VML for older readers
    p(r("Beside the box"),
      '<w:r><mc:AlternateContent><mc:Choice Requires="wps"><w:drawing><wp:anchor behindDoc="0" distT="0" '
      'distB="0" distL="0" distR="0" simplePos="0" locked="0" layoutInCell="1" allowOverlap="1" '
      'relativeHeight="2"><wp:simplePos x="0" y="0"/><wp:positionH relativeFrom="column"><wp:posOffset>0'
      '</wp:posOffset></wp:positionH><wp:positionV relativeFrom="paragraph"><wp:posOffset>0</wp:posOffset>'
      '</wp:positionV><wp:extent cx="1828800" cy="457200"/><wp:wrapSquare wrapText="bothSides"/>'
      '<wp:docPr id="4" name="Text Box 4"/><a:graphic><a:graphicData '
      'uri="http://schemas.microsoft.com/office/word/2010/wordprocessingShape"><wps:wsp><wps:cNvSpPr txBox="1"/>'
      '<wps:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="1828800" cy="457200"/></a:xfrm>'
      '<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></wps:spPr><wps:txbx>' + box_content() +
      '</wps:txbx><wps:bodyPr/></wps:wsp></a:graphicData></a:graphic></wp:anchor></w:drawing></mc:Choice>'
      '<mc:Fallback><w:pict><v:rect style="width:144pt;height:36pt"><v:textbox>' + box_content() +
      "</v:textbox></v:rect></w:pict></mc:Fallback></mc:AlternateContent></w:r>",
      r(" ends here")),
])
# 18 paragraphs: 8 before the table, 6 in it, 4 after (the text box's two are its own story).
SECTION = (
    '<w:sectPr><w:footerReference w:type="default" r:id="rIdFooter"/>'
    '<w:headerReference w:type="first" r:id="rIdHeaderFirst"/>'
    '<w:headerReference w:type="default" r:id="rIdHeader"/>'
    '<w:pgSz w:w="11906" w:h="16838"/><w:titlePg/></w:sectPr>'
)
DOCUMENT = f"{HEAD}<w:document {NAMESPACES}><w:body>{BODY}{SECTION}</w:body></w:document>"

# The default namespace for the elements; attributes, which no default namespace reaches, under another prefix
# bound to the same URI.
HEADER = (
    f'{HEAD}<hdr xmlns="{W}" xmlns:x="{W}"><p><r><t xml:space="preserve">Running head, page </t></r>'
    '<r><fldChar x:fldCharType="begin"/></r><r><instrText> PAGE </instrText></r>'
    '<r><fldChar x:fldCharType="separate"/></r><r><t>1</t></r><r><fldChar x:fldCharType="end"/></r></p></hdr>'
)
FIRST_HEADER = f'{HEAD}<w:hdr xmlns:w="{W}">{p(r("First page head"))}</w:hdr>'
FOOTER = f'{HEAD}<w:ftr xmlns:w="{W}">{p(r("Page foot"))}</w:ftr>'


def notes(kind, bodies):
    """A notes part as Word writes it: the separator and the continuation separator, then the notes."""
    tag = kind[:-1]
    parts = [
        f'<w:{tag} w:type="separator" w:id="-1"><w:p><w:r><w:separator/></w:r></w:p></w:{tag}>',
        f'<w:{tag} w:type="continuationSeparator" w:id="0"><w:p><w:r><w:continuationSeparator/></w:r></w:p>'
        f"</w:{tag}>",
    ]
    ref = "footnoteRef" if tag == "footnote" else "endnoteRef"
    for number, body in enumerate(bodies, 1):
        parts.append(f'<w:{tag} w:id="{number}"><w:p><w:r><w:{ref}/></w:r>{body}</w:p></w:{tag}>')
    return f"{HEAD}<w:{kind} {NAMESPACES}>{''.join(parts)}</w:{kind}>"


FOOTNOTES = notes("footnotes", [r(" First note text."), r(" Second note") + delete(5, " struck")])
ENDNOTES = notes("endnotes", [r(" The only endnote.")])


def comment(number, *runs):
    return (f'<ns0:comment ns0:id="{number}" ns0:author="Cleo" ns0:date="2026-01-03T10:00:00Z" ns0:initials="C">'
            f'<ns0:p><ns0:r><ns0:annotationRef/></ns0:r>{"".join(runs)}</ns0:p></ns0:comment>')


def ns0(text):
    return f'<ns0:r><ns0:t xml:space="preserve">{text}</ns0:t></ns0:r>'


COMMENTS = (
    f'{HEAD}<ns0:comments xmlns:ns0="{W}">'
    + comment(0, ns0("First remark"))
    + comment(1, ns0("Second remark"),
              f'<ns0:ins ns0:id="6" ns0:author="Ann Editor" ns0:date="2026-01-04T10:00:00Z">{ns0(" amended")}</ns0:ins>')
    + comment(2, ns0("Third remark"))
    + "</ns0:comments>"
)

CONTENT_TYPES = (
    f'{HEAD}<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    f'<Default Extension="rels" ContentType="{RELS}"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Default Extension="png" ContentType="image/png"/>'
    '<Default Extension="bin" ContentType="application/vnd.openxmlformats-officedocument.oleObject"/>'
    f'<Override PartName="/content/body.xml" ContentType="{WML}.document.main+xml"/>'
    f'<Override PartName="/content/header1.xml" ContentType="{WML}.header+xml"/>'
    f'<Override PartName="/content/header2.xml" ContentType="{WML}.header+xml"/>'
    f'<Override PartName="/content/footer1.xml" ContentType="{WML}.footer+xml"/>'
    f'<Override PartName="/content/notes/footnotes.xml" ContentType="{WML}.footnotes+xml"/>'
    f'<Override PartName="/content/notes/endnotes.xml" ContentType="{WML}.endnotes+xml"/>'
    f'<Override PartName="/content/comments.xml" ContentType="{WML}.comments+xml"/>'
    "</Types>"
)


def relationships(*entries):
    body = "".join(f'<Relationship Id="{rid}" Type="{REL}/{kind}" Target="{target}"{extra}/>'
                   for rid, kind, target, extra in entries)
    return f'{HEAD}<Relationships xmlns="{PACKAGE_RELS}">{body}</Relationships>'


PACKAGE_RELATIONSHIPS = relationships(("rId1", "officeDocument", "content/body.xml", ""))
BODY_RELATIONSHIPS = relationships(
    ("rIdHeader", "header", "header1.xml", ""),
    ("rIdHeaderFirst", "header", "./header2.xml", ""),
    ("rIdFooter", "footer", "footer1.xml", ""),
    ("rIdFootnotes", "footnotes", "notes/footnotes.xml", ""),
    ("rIdEndnotes", "endnotes", "notes/endnotes.xml", ""),
    ("rIdComments", "comments", "/content/comments.xml", ""),
    ("rIdImage", "image", "../media/dot.png", ""),
    ("rIdOle", "oleObject", "../embeddings/oleObject1.bin", ""),
    ("rIdLink", "hyperlink", "https://example.org/", ' TargetMode="External"'),
)


def main():
    parts = [
        ("[Content_Types].xml", CONTENT_TYPES),
        ("_rels/.rels", PACKAGE_RELATIONSHIPS),
        ("content/_rels/body.xml.rels", BODY_RELATIONSHIPS),
        ("content/body.xml", DOCUMENT),
        ("content/header1.xml", HEADER),
        ("content/header2.xml", FIRST_HEADER),
        ("content/footer1.xml", FOOTER),
        ("content/notes/footnotes.xml", FOOTNOTES),
        ("content/notes/endnotes.xml", ENDNOTES),
        ("content/comments.xml", COMMENTS),
        ("media/dot.png", PNG),
        # Only named here: an equation object's own data is no part of the fingerprint.
        ("embeddings/oleObject1.bin", b"\0" * 64),
    ]
    os.makedirs(os.path.dirname(OUT), exist_ok=True)
    with zipfile.ZipFile(OUT, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in parts:
            info = zipfile.ZipInfo(name, FIXED)
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data.encode("utf-8") if isinstance(data, str) else data)


if __name__ == "__main__":
    main()
