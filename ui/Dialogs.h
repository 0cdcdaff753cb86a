// Small standard dialogs.
#pragma once

#include <string>

// Asks for one line of text; Value comes in as the default answer. False when cancelled.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
