// The icons of the small sources' rows, taken from their files by the shell.
#pragma once

#include "sources/SourceSupport.h"

// The icon at Location as the item's icon (32 pixels); a file without it leaves the item as it was.
void ExtractItemIcon(TItemData& item, const TIconLocation& location);
