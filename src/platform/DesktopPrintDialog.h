#pragma once

// The platform's print dialog, behind the seam the print command uses.

#include "platform/seams/PlatformSeams.h"

namespace savrona {

// Qt's print dialog (the system's own where Qt has one): printer, page size,
// copies, pages, printing to a file.
class DesktopPrintDialog : public PrintDialog {
public:
    bool choosePrinter(QWidget* parent, QPrinter& printer) override;
};

} // namespace savrona
