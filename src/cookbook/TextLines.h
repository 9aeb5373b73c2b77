#pragma once

// Records keep carriage return and line feed between lines; the text boxes
// break lines at a line feed. Texts pass through textForBox and
// textForRecord on their way into and out of the boxes.

#include <QString>

namespace savrona {

inline QString textForBox(QString recordText) {
    recordText.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return recordText;
}

inline QString textForRecord(const QString& boxText) {
    QString recordText = textForBox(boxText);
    recordText.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return recordText;
}

} // namespace savrona
