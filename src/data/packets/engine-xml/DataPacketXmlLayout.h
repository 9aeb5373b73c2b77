#pragma once

// What a data file in the original engine's XML data-packet layout held besides its
// fields and rows, kept with the table so that the file is written back as it came.

#include <QByteArray>

#include <vector>

namespace savrona {

// One attribute as read: name and value in UTF-8, references resolved.
struct XmlAttribute {
    QByteArray name;
    QByteArray value;

    bool operator==(const XmlAttribute&) const = default;
};

using XmlAttributes = std::vector<XmlAttribute>;

// A document of the form
//
//   <?xml version="1.0" standalone="yes"?>
//   <!DOCTYPE DATAPACKET [<!ENTITY brand "Keltrim">]>
//   <DATAPACKET Version="2.0"><METADATA><FIELDS>
//   <FIELD attrname="ID" fieldtype="i4"/>...</FIELDS><PARAMS .../></METADATA>
//   <ROWDATA><ROW ID="1" .../>...</ROWDATA></DATAPACKET>
//
// (the declaration and the document type may be absent), described in
// docs/xml-data-packet.md. The fields and rows themselves are
// the packet's; this holds the rest, in the order read. The change log is
// not kept: the rows are held merged and written back without one.
struct DataPacketXmlLayout {
    // The XML declaration's attributes; empty when the file had none. Its
    // encoding tells how texts are written back: "UTF-8" in UTF-8, anything
    // else (or none) in code page 1252 with references for other characters.
    XmlAttributes declaration;
    // The document type, "<!DOCTYPE" to its '>', as read (in UTF-8); empty
    // when the file had none. The references to the general entities it
    // declares stay in the texts as they stand ("&brand;") and are written
    // back as references.
    QByteArray documentType;
    XmlAttributes root;                // of <DATAPACKET>
    std::vector<XmlAttributes> fields; // of each <FIELD>, in field order
    bool hasParams = false;            // whether <METADATA> held <PARAMS>
    XmlAttributes params;              // of <PARAMS>, CHANGE_LOG left out

    bool operator==(const DataPacketXmlLayout&) const = default;
};

} // namespace savrona
