#pragma once
// The words the window adds beside the described texts of an update check:
// why a product failed, and what a whole run came to.

#include "foundation/failure.h"
#include "watch/update_batch.h"

#include <QString>

namespace zelvon::ui {

// "Checked 14 products: 2 new versions, 1 failed."
QString runSummaryText(const UpdateBatchSummary& summary);

// The cause as a sentence of its own, for a box's informative text:
// "The server answered 404 Not Found."
QString causeSentence(const Failure& failure);

// The cause for a line of HTML after a described text (markup escaped).
QString causeHtml(const Failure& failure);

// What a screen reader says about a watched product besides its name.
QString entryDescription(bool isNew, const Failure* lastFailure);

} // namespace zelvon::ui
