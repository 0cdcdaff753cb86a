// The icons of the sources' rows: taken from their files by the shell, or the program's own from
// its "images" folder.
#pragma once

#include <memory>
#include <string>

#include "sources/SourceSupport.h"

// The icon at Location as the item's icon (32 pixels); a file without it leaves the item as it was.
void ExtractItemIcon(TItemData& item, const TIconLocation& location);

// The icon of ImagesIcon(Name) at 32 pixels; nullptr when there is none.
std::unique_ptr<TIcon> LoadImagesIcon(const std::string& name);
