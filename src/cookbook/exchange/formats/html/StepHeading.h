#pragma once

// Whether a step's name is a heading of its own.

#include <QString>

namespace savrona::html {

// Whether a step's name says something of its own ("Make the dough", or
// "Mix" before "Mix the flour and water.") rather than repeat its text, as
// many pages fill it: the whole text or its first sentence, the text cut
// and marked "..." or "…", or cut after a few words. Both plain text.
bool isStepHeading(const QString& name, const QString& text);

} // namespace savrona::html
