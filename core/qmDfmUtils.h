// Component text: the readable form in which a component's published properties are saved
// (the settings file "Lorvex.def" is one).
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "core/Persistent.h"

// Receives the message of a property that could not be applied (it is skipped; reading goes on).
using TReaderErrorHandler = std::function<void(const std::string& message)>;

// Strings receives the component text of Component (previous content replaced). Always true.
bool ComponentToDfmText(TComponent& component, TStringList& strings);

// Fills the published properties of Component from component text. The whole text is parsed
// first: text that is not component text raises EParserError and applies nothing. A property
// that is unknown or cannot be assigned goes to OnError and keeps its value.
bool DfmTextToComponent(TComponent& component, const TStringList& strings,
                        const TReaderErrorHandler& onError = nullptr);

// The same over one text (lines separated by CR LF, LF or CR).
std::string ComponentToText(TComponent& component);
void TextToComponent(TComponent& component, const std::string& text,
                     const TReaderErrorHandler& onError = nullptr);

// The framework's binary component resource (a resource header, then the binary component
// stream) and component text, each into the other. Each rewinds both streams before and after
// and answers true; input that is neither raises EParserError.
bool ResourceToText(std::iostream& resStream, std::iostream& textStream);
bool TextToResource(std::iostream& resStream, std::iostream& textStream);
