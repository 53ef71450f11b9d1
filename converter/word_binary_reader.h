#pragma once
// The fingerprint of a Word binary document, read by our own code from the format's published description.
//
// Word 97-2003 (a compound file whose WordDocument stream has a FIB of nFib 0xC0 or more) is read whole: the
// text of each story through the piece table, and the counts from the character and paragraph properties,
// the reference tables of notes and comments, the drawing and the object pool.
// Word 6/95 (a FIB of the older shape) and Word 2 (no compound file; the file starts with DB A5) are read
// for the words of their stories, their paragraph marks and fields only; `incomplete` says so.
//
// Paragraphs are the main story's: paragraph marks, the cell marks that end a paragraph in a cell (the
// row-end mark, which carries the TTP property, does not) and section breaks. Tables, pictures, objects,
// equations, fields and tracked changes are counted in every story. Pictures are the picture characters
// (0x01) that are no OLE object, hold no form field data and are no SHAPE field's result (a shape placed in
// the line), and the floating shapes of the main and header
// drawings that show a picture (OfficeArt's pib property), a group's pictures each. An object's field (EMBED)
// counts as the object, not as a field; an equation's object counts as an equation only. A tracked change is
// a run of consecutive characters marked inserted (or deleted) by one author; deleted text stays among the
// words. The results of fields that are worked out afresh (ResultIsRecomputed) are no words. Of the headers
// and footers, only those some page shows are read: a first page's when its section has a title page, even
// pages' when the document tells them from odd ones; the notes' separators are not. Each note, comment,
// header and text box is read apart, so that no word runs from one into the next. Text is 8-bit (code page
// 1252) or UTF-16 as its piece says; other code pages of Word 6/95 and Word 2 are read as 1252.

#include <cstdint>
#include <string>

#include "fingerprint.h"

namespace larkspan::zuv0 {

// Reads a Word 97-2003 document (a compound file holding WordDocument) from fd (size bytes, read with pread
// as the content check does), filling fingerprint. False, with why, when it is no such document or cannot be
// read at all; a document read in part sets fingerprint.incomplete instead.
bool ReadWordBinary(int fd, std::uint64_t size, Fingerprint& fingerprint, std::string& why);

}  // namespace larkspan::zuv0
