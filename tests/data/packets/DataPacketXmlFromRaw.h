#pragma once

// Writes a raw binary packet, row states, change log and all, as a document in the
// original engine's XML data-packet layout, as a program built on that engine would
// keep it. Shared by the data tests and the tool that lays out files for the
// end-to-end test.

#include "data/packets/binary/BinaryPacket.h"

#include <QByteArray>

namespace savrona::test_support {

// Integers as i4, texts as string with their WIDTH, memos as bin.hex with
// SUBTYPE="Text"; a row state other than 0 as RowState; the change log as
// CHANGE_LOG; a null or "same as the row replaced" cell as no attribute.
// A row that replaces another and holds a null, which that layout cannot
// tell from a value kept, is written whole and replacing none.
// Texts are written in the packet's own bytes (code page 1252 without a
// TEXT_ENCODING), with references for the markup characters, tab, CR and LF.
// The document has no encoding declaration, as the engine writes it.
QByteArray dataPacketXmlFromRaw(const RawBinaryPacket& packet);

} // namespace savrona::test_support
