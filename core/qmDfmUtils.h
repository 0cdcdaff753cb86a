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

// A class that component text can name, made with its owner.
using TComponentFactory = TComponent* (*)(TComponent* owner);

// Component text that names a class no one registered.
class EClassNotFound : public Exception {
 public:
  using Exception::Exception;
};

// Lets component text create the class by its name (found ignoring case); a second
// registration of a name replaces the first.
void RegisterComponentClass(const std::string& className, TComponentFactory create);
template <class... T>
void RegisterClasses() {
  (RegisterComponentClass(T(nullptr).ClassName(), [](TComponent* owner) -> TComponent* { return new T(owner); }), ...);
}
// The factory of a registered class; nullptr when there is none.
TComponentFactory FindComponentClass(const std::string& className);

// A new component of the registered class that the text names, owned by Owner (by the caller
// when Owner is nullptr), with the text's name and properties. Text that is not component text
// raises EParserError, an unregistered class EClassNotFound; neither creates anything.
TComponent* DfmTextToNewComponent(const TStringList& strings, TComponent* owner,
                                  const TReaderErrorHandler& onError = nullptr);

// The same over one text (lines separated by CR LF, LF or CR).
std::string ComponentToText(TComponent& component);
void TextToComponent(TComponent& component, const std::string& text, const TReaderErrorHandler& onError = nullptr);

// The framework's binary component resource (a resource header, then the binary component
// stream) and component text, each into the other. Each rewinds both streams before and after
// and answers true; input that is neither raises EParserError.
bool ResourceToText(std::iostream& resStream, std::iostream& textStream);
bool TextToResource(std::iostream& resStream, std::iostream& textStream);
