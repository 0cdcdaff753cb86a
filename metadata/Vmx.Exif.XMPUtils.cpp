#include "metadata/Vmx.Exif.XMPUtils.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "core/Unicode.h"
#include "metadata/Vmx.Exif.h"
#include "os/os.h"

namespace vmx {

// --- known namespaces ----------------------------------------------------------------------

namespace {

struct TKnownNamespace {
  const char16_t* URI;
  const char16_t* Prefix;
};

// Indexed by TXMPKnownNamespace.
constexpr TKnownNamespace KnownNamespaces[] = {
    {u"", u""},
    {u"http://www.w3.org/1999/02/22-rdf-syntax-ns#", u"rdf"},
    {u"http://ns.adobe.com/camera-raw-settings/1.0/", u"crs"},
    {u"http://ns.adobe.com/xap/1.0/g", u"xmpG"},
    {u"http://ns.adobe.com/xap/1.0/sType/Dimensions#", u"stDim"},
    {u"http://purl.org/dc/elements/1.1/", u"dc"},
    {u"http://ns.adobe.com/xap/1.0/sType/Font#", u"stFnt"},
    {u"http://ns.adobe.com/exif/1.0/", u"exif"},
    {u"http://ns.adobe.com/exif/1.0/aux/", u"aux"},
    {u"http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/", u"Iptc4xmpCore"},
    {u"http://ns.adobe.com/xap/1.0/sType/Job#", u"stJob"},
    {u"http://ns.microsoft.com/photo/1.0", u"MicrosoftPhoto"},
    {u"http://ns.adobe.com/pdf/1.3/", u"pdf"},
    {u"http://ns.adobe.com/photoshop/1.0/", u"photoshop"},
    {u"http://ns.adobe.com/xap/1.0/sType/ResourceEvent#", u"stEvt"},
    {u"http://ns.adobe.com/xap/1.0/sType/ResourceRef#", u"stRef"},
    {u"http://ns.adobe.com/xap/1.0/g/img/", u"xmpGImg"},
    {u"http://ns.adobe.com/tiff/1.0/", u"tiff"},
    {u"http://ns.adobe.com/xap/1.0/sType/Version#", u"stVer"},
    {u"http://ns.adobe.com/xap/1.0/", u"xmp"},
    {u"http://ns.adobe.com/xap/1.0/bj/", u"xmpBJ"},
    {u"http://ns.adobe.com/xmp/1.0/DynamicMedia/", u"xmpDM"},
    {u"http://ns.adobe.com/xap/1.0/mm/", u"xmpMM"},
    {u"http://ns.adobe.com/xap/1.0/t/pg/", u"xmpTPg"},
    {u"http://ns.adobe.com/xap/1.0/rights/", u"xmpRights"},
};

constexpr char RDFNamespace[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

int CompareText(std::u16string_view a, std::u16string_view b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const char16_t x = UpCaseWideChar(a[i]), y = UpCaseWideChar(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

std::u16string Wide(std::string_view text) { return Utf8ToUtf16(text); }

// The name a sub-property gets when a kind with named sub-properties needs one.
std::u16string SubPropertyName(size_t index) { return Wide("SubProp" + std::to_string(index)); }

bool IsNameStart(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0x80; }

bool IsNameChar(char16_t c) { return IsNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.'; }

// A name without colon (the part of a qualified name on either side of it).
bool IsName(std::u16string_view name) {
  return !name.empty() && IsNameStart(name[0]) && std::all_of(name.begin(), name.end(), IsNameChar);
}

// A character XML 1.0 has not (a surrogate is judged with its partner).
bool IsNoXMLChar(char16_t c) {
  return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Text without the characters XML has not, unpaired surrogates among them: what a packet
// can hold of it.
std::u16string XMLText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out += c;
      out += text[++i];
    } else if (!IsHighSurrogate(c) && !IsLowSurrogate(c) && !IsNoXMLChar(c)) {
      out += c;
    }
  }
  return out;
}

// A name a packet can hold as an element's or a prefix's.
bool IsValidName(std::u16string_view name) { return IsName(name) && XMLText(name) == name; }

// The names RDF gives its own syntax: never the name of a property in its namespace.
bool IsRDFSyntaxName(std::u16string_view name) {
  static constexpr std::u16string_view Names[] = {
      u"RDF",    u"Description", u"ID", u"about",     u"parseType",       u"resource",
      u"nodeID", u"datatype",    u"li", u"aboutEach", u"aboutEachPrefix", u"bagID"};
  return std::find(std::begin(Names), std::end(Names), name) != std::end(Names);
}

// A prefix the text can declare: a name without colon, not reserved by XML, and "rdf" only
// for the RDF namespace, which the text's own elements use.
bool IsUsablePrefix(std::u16string_view prefix, std::u16string_view uri) {
  if (!IsValidName(prefix)) return false;
  if (CompareText(prefix.substr(0, 3), u"xml") == 0) return false;
  return prefix != u"rdf" || uri == KnownNamespaceURI(xsRDF);
}

[[noreturn]] void InvalidName(const char* what, std::u16string_view name) {
  throw EInvalidXMPOperation("\"" + Utf16ToUtf8(name) + "\" is not a valid " + what);
}

void CheckPrefix(std::u16string_view prefix, std::u16string_view uri) {
  if (!IsUsablePrefix(prefix, uri)) InvalidName("namespace prefix", prefix);
}

}  // namespace

TXMPKnownNamespace FindKnownNamespace(std::u16string_view uri) {
  for (size_t kind = 1; kind < std::size(KnownNamespaces); ++kind)
    if (CompareText(uri, KnownNamespaces[kind].URI) == 0) return static_cast<TXMPKnownNamespace>(kind);
  return xsUnknown;
}

std::u16string KnownNamespaceURI(TXMPKnownNamespace kind) { return KnownNamespaces[kind].URI; }

std::u16string KnownNamespacePrefix(TXMPKnownNamespace kind) { return KnownNamespaces[kind].Prefix; }

// --- namespaces, properties and schemas ------------------------------------------------------

TXMPNamespaceInfo::TXMPNamespaceInfo(std::u16string prefix, std::u16string uri)
    : FPreferredPrefix(std::move(prefix)), FURI(std::move(uri)) {
  if (!FPreferredPrefix.empty()) CheckPrefix(FPreferredPrefix, FURI);
}

std::u16string TXMPNamespaceInfo::PreferredPrefix() const {
  return FPreferredPrefix.empty() && FKind != xsUnknown ? KnownNamespacePrefix(FKind) : FPreferredPrefix;
}

void TXMPNamespaceInfo::SetPreferredPrefix(const std::u16string& value) {
  if (value == FPreferredPrefix) return;
  CheckPrefix(value.empty() && FKind != xsUnknown ? KnownNamespacePrefix(FKind) : value, URI());
  FPreferredPrefix = value;
  if (OnChange) OnChange();
}

std::u16string TXMPNamespaceInfo::URI() const { return FKind != xsUnknown ? KnownNamespaceURI(FKind) : FURI; }

void TXMPNamespaceInfo::CopyFrom(const TXMPNamespaceInfo& source) {
  FPreferredPrefix = source.FPreferredPrefix;
  FURI = source.FURI;
  FKind = source.FKind;
}

void TXMPNamespaceInfo::Assign(const TXMPNamespaceInfo& source) {
  CheckPrefix(source.PreferredPrefix(), source.URI());
  if (FURIFixed && CompareText(source.URI(), URI()) != 0)
    throw EInvalidXMPOperation("A schema's properties are in the schema's namespace");
  CopyFrom(source);
  if (OnChange) OnChange();
}

bool TXMPNamespaceInfo::Update(const std::u16string& prefix, const std::u16string& uri) {
  const TXMPKnownNamespace kind = FindKnownNamespace(uri);
  // The same namespace without a prefix of its own (a default namespace) is no change either.
  const bool sameNamespace = kind != xsUnknown ? kind == FKind : uri == URI();
  if (sameNamespace && (prefix.empty() || prefix == PreferredPrefix())) return false;
  FKind = kind;
  FPreferredPrefix = prefix;
  FURI = uri;
  return true;
}

TXMPPropertyCollection::~TXMPPropertyCollection() = default;

void TXMPPropertyCollection::PropagateNamespace() {
  for (TXMPProperty& item : *this)
    if (item.UsesParentNamespace()) {
      item.NamespaceInfo().CopyFrom(FNamespaceInfo);
      item.PropagateNamespace();
    }
}

TXMPProperty::TXMPProperty(TXMPSchema& schema, TXMPProperty* parent)
    : TXMPPropertyCollection(parent ? parent->NamespaceInfo() : schema.NamespaceInfo()),
      FParentProperty(parent),
      FSchema(schema) {
  FNamespaceInfo.FURIFixed = !parent;
  FNamespaceInfo.OnChange = [this] {
    FUsesParentNamespace = false;
    PropagateNamespace();
    Changed();
  };
}

void TXMPProperty::Changed() { FSchema.Changed(); }

int TXMPProperty::Depth() const {
  int depth = 1;
  for (const TXMPProperty* parent = FParentProperty; parent; parent = parent->FParentProperty) ++depth;
  return depth;
}

void TXMPProperty::SetKind(TXMPPropertyKind value) {
  if (value == FKind) return;
  if (value == xpStructure)
    for (const auto& item : FItems)
      if (!item->FName.empty()) CheckName(item->FName, xpStructure);
  if (value == xpStructure || value == xpAltArray) {
    for (size_t i = 0; i < FItems.size(); ++i) {
      TXMPProperty& item = *FItems[i];
      // An Alt item's language is its name.
      if (item.FName.empty())
        item.FName = value == xpAltArray && !item.FLanguage.empty() ? item.FLanguage : SubPropertyName(i);
      if (value == xpAltArray) item.FLanguage.clear();
    }
  } else if (value == xpSimple) {
    FItems.clear();
  } else {
    for (auto& item : FItems) {
      if (FKind == xpAltArray) item->FLanguage = item->FName;
      item->FName.clear();
    }
  }
  FKind = value;
  Changed();
}

// A name the packet text can hold: a language (an Alt item's), or the local name of an
// element that RDF does not use for its own syntax.
void TXMPProperty::CheckName(const std::u16string& name, TXMPPropertyKind parentKind) const {
  if (parentKind == xpAltArray) {
    if (XMLText(name) != name) InvalidName("language", name);
  } else if (parentKind == xpBagArray || parentKind == xpSeqArray) {
    throw EInvalidXMPOperation("Items of a Bag or Seq have no names");
  } else if (!IsValidName(name) || (IsRDFSyntaxName(name) && FNamespaceInfo.URI() == KnownNamespaceURI(xsRDF))) {
    InvalidName("XMP property name", name);
  }
}

void TXMPProperty::SetName(const std::u16string& value) {
  if (value == FName) return;
  if (value.empty()) throw Exception("Assertion failed: a property needs a name");
  CheckName(value, FParentProperty ? FParentProperty->FKind : xpStructure);
  FName = value;
  Changed();
}

void TXMPProperty::SetLanguage(const std::u16string& value) {
  if (HasLanguageName()) {
    SetName(value);
    return;
  }
  if (value == FLanguage) return;
  CheckName(value, xpAltArray);
  FLanguage = value;
  Changed();
}

void TXMPProperty::SetIsURI(bool value) {
  if (value == FIsURI) return;
  FIsURI = value;
  Changed();
}

std::u16string TXMPProperty::ReadValue(const std::u16string& defaultValue) const {
  switch (FKind) {
    case xpSimple:
      return FValue.empty() ? defaultValue : FValue;
    case xpAltArray: {
      const TXMPProperty* item = FindSubProperty(u"x-default");
      return item ? item->ReadValue(defaultValue) : defaultValue;
    }
    case xpBagArray:
    case xpSeqArray: {
      if (FItems.empty()) return defaultValue;
      if (FItems.size() == 1) return FItems[0]->ReadValue(defaultValue);
      std::u16string result = FItems[0]->ReadValue();
      for (size_t i = 1; i < FItems.size(); ++i) (result += u',') += FItems[i]->ReadValue();
      return result;
    }
    default:
      return defaultValue;
  }
}

namespace {

// Cut at every "," and ";"; a part after the last delimiter counts only when not empty.
std::vector<std::u16string> SplitItems(const std::u16string& text) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == u',' || text[i] == u';') {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  if (start < text.size()) parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

void TXMPProperty::WriteValue(const std::u16string& text) {
  switch (FKind) {
    case xpSimple: {
      std::u16string value = XMLText(text);
      if (value == FValue) return;
      FValue = std::move(value);
      Changed();
      break;
    }
    case xpStructure:
      throw EInvalidXMPOperation("Cannot assign a single value to a structure property");
    case xpAltArray:
      GetNamedSubProperty(u"x-default").WriteValue(text);
      break;
    default: {
      const std::vector<std::u16string> parts = SplitItems(text);
      SetSubPropertyCount(static_cast<int>(parts.size()));
      for (size_t i = 0; i < parts.size(); ++i) FItems[i]->WriteValue(parts[i]);
    }
  }
}

TXMPProperty& TXMPProperty::AddSubProperty(const std::u16string& name) {
  if (!SupportsSubProperties()) throw EInvalidXMPOperation("Property type does not support sub-properties");
  if (HasNamedSubProperties() && name.empty()) throw EInvalidXMPOperation("Sub-properties must be named");
  if (HasNamedSubProperties()) CheckName(name, FKind);
  if (Depth() >= MaxXMPNesting) throw EInvalidXMPOperation("Properties may not nest more deeply");
  TXMPProperty& result = *FItems.emplace_back(std::make_unique<TXMPProperty>(FSchema, this));
  if (HasNamedSubProperties()) result.FName = name;
  Changed();
  return result;
}

TXMPProperty* TXMPProperty::FindSubProperty(std::u16string_view name) const {
  for (size_t i = FItems.size(); i-- > 0;)
    if (FItems[i]->FName == name) return FItems[i].get();
  return nullptr;
}

TXMPProperty& TXMPProperty::GetNamedSubProperty(const std::u16string& name) {
  TXMPProperty* found = FindSubProperty(name);
  return found ? *found : AddSubProperty(name);
}

bool TXMPProperty::RemoveSubProperty(std::u16string_view name) {
  const auto it = std::find_if(FItems.begin(), FItems.end(), [&](const auto& item) { return item->FName == name; });
  if (it == FItems.end()) return false;
  FItems.erase(it);
  Changed();
  return true;
}

void TXMPProperty::SetSubPropertyCount(int count) {
  const size_t wanted = static_cast<size_t>(std::max(count, 0));
  if (wanted == FItems.size()) return;
  if (!SupportsSubProperties()) throw EInvalidXMPOperation("Property type does not support sub-properties");
  if (wanted > FItems.size() && Depth() >= MaxXMPNesting)
    throw EInvalidXMPOperation("Properties may not nest more deeply");
  if (wanted < FItems.size()) FItems.resize(wanted);
  while (FItems.size() < wanted) {
    auto item = std::make_unique<TXMPProperty>(FSchema, this);
    if (HasNamedSubProperties()) item->FName = SubPropertyName(FItems.size());
    FItems.push_back(std::move(item));
  }
  Changed();
}

void TXMPProperty::UpdateSubProperty(const std::u16string& name, TXMPPropertyKind kind, const std::u16string& text) {
  const TXMPWriteMode mode = FSchema.Owner().WriteMode;
  if (mode == xmRemove || text.empty()) {
    RemoveSubProperty(name);
    return;
  }
  TXMPProperty* sub = FindSubProperty(name);
  if (!sub) {
    if (mode == xmUpdateExisting) return;
    if (!HasNamedSubProperties()) SetKind(xpStructure);
    sub = &AddSubProperty(name);
  }
  sub->SetKind(kind);
  sub->WriteValue(text);
}

void TXMPProperty::UpdateSubProperty(const std::u16string& name, int value) {
  UpdateSubProperty(name, xpSimple, Wide(std::to_string(value)));
}

void TXMPProperty::UpdateSubProperty(const std::u16string& name, bool value) {
  UpdateSubProperty(name, xpSimple, value ? u"True" : u"False");
}

namespace {

TXMPNamespaceInfo SchemaNamespace(const std::u16string& uri) {
  const TXMPKnownNamespace kind = FindKnownNamespace(uri);
  return kind != xsUnknown ? TXMPNamespaceInfo(kind) : TXMPNamespaceInfo(u"", uri);
}

}  // namespace

TXMPSchema::TXMPSchema(TXMPPacket& owner, const std::u16string& uri)
    : TXMPPropertyCollection(SchemaNamespace(uri)), FOwner(owner) {
  FNamespaceInfo.FURIFixed = true;
  FNamespaceInfo.OnChange = [this] {
    PropagateNamespace();
    if (!FLoadingProperty) Changed();
  };
}

void TXMPSchema::Changed() { FOwner.Changed(true); }

TXMPProperty& TXMPSchema::AddProperty(const std::u16string& name) {
  if (FNamespaceInfo.PreferredPrefix().empty())
    throw EInvalidXMPOperation("The schema's PreferredPrefix property must be set before a new item can be added");
  TXMPProperty& result = *FItems.emplace_back(std::make_unique<TXMPProperty>(*this, nullptr));
  if (name.empty())
    Changed();
  else
    result.SetName(name);
  return result;
}

TXMPProperty* TXMPSchema::FindProperty(std::u16string_view name) const {
  for (const auto& item : FItems)
    if (item->Name() == name) return item.get();
  return nullptr;
}

bool TXMPSchema::RemoveProperties(std::initializer_list<std::u16string_view> names) {
  bool removed = false;
  for (size_t i = FItems.size(); i-- > 0;)
    if (std::find(names.begin(), names.end(), FItems[i]->Name()) != names.end()) {
      FItems.erase(FItems.begin() + static_cast<ptrdiff_t>(i));
      removed = true;
    }
  if (removed) Changed();
  return removed;
}

// --- the packet ------------------------------------------------------------------------------

TXMPPacket::~TXMPPacket() = default;

void TXMPPacket::Changed(bool resetRawXML) {
  if (resetRawXML) FRawXML.clear();
  if (OnChange) OnChange();
}

void TXMPPacket::DoLoadError(TStream& stream) {
  if (!OnLoadError) throw EInvalidXMPPacket();
  OnLoadError(*this, stream);
}

void TXMPPacket::Clear() {
  if (FSchemas.empty() && FAboutAttributeValue.empty()) return;
  FAboutAttributeValue.clear();
  FSchemas.clear();
  Changed(true);
}

void TXMPPacket::SetAboutAttributeValue(const std::u16string& value) {
  if (XMLText(value) == FAboutAttributeValue) return;
  FAboutAttributeValue = XMLText(value);
  Changed(true);
}

namespace {

bool SchemaBefore(const std::unique_ptr<TXMPSchema>& schema, std::u16string_view uri) {
  return CompareText(schema->NamespaceInfo().URI(), uri) < 0;
}

}  // namespace

TXMPSchema* TXMPPacket::FindSchema(std::u16string_view uri) const {
  const auto it = std::lower_bound(FSchemas.begin(), FSchemas.end(), uri, SchemaBefore);
  return it != FSchemas.end() && CompareText((*it)->NamespaceInfo().URI(), uri) == 0 ? it->get() : nullptr;
}

TXMPSchema& TXMPPacket::GetSchema(const std::u16string& uri) {
  const auto it = std::lower_bound(FSchemas.begin(), FSchemas.end(), uri, SchemaBefore);
  if (it != FSchemas.end() && CompareText((*it)->NamespaceInfo().URI(), uri) == 0) return **it;
  return **FSchemas.insert(it, std::make_unique<TXMPSchema>(*this, uri));
}

void TXMPPacket::LoadFromStream(TStream& stream) {
  if (!TryLoadFromStream(stream)) DoLoadError(stream);
}

const std::string& TXMPPacket::RawXML() const {
  if (FRawXML.empty()) FRawXML = GenerateXML();
  return FRawXML;
}

void TXMPPacket::SetRawXML(const std::string& text) {
  if (text.empty()) {
    Clear();
    return;
  }
  const std::string copy = text;  // the text may be our own
  TUserMemoryStream stream(copy.data(), static_cast<int64_t>(copy.size()));
  LoadFromStream(stream);
}

void TXMPPacket::Assign(const TXMPPacket* source) {
  if (!source) {
    Clear();
    return;
  }
  if (source == this) return;
  SetRawXML(source->RawXML());
  FIncludesSignature = source->FIncludesSignature;
}

void TXMPPacket::SaveToStream(TStream& stream) {
  if (FIncludesSignature) WriteRawChars(stream, XMPSignature);
  const std::string& text = RawXML();
  WriteRawChars(stream, text);
  if (text.back() != ' ') WriteRawChars(stream, " ");
}

bool HasXMPSegmentHeader(TStream& stream) {
  if (!CheckSignature(stream, XMPSignature.data(), static_cast<uint8_t>(XMPSignature.size()))) return false;
  stream.Seek(-static_cast<int64_t>(XMPSignature.size()), TSeekOrigin::soCurrent);
  return true;
}

// --- the update operations of the Exif mirror -----------------------------------------------

namespace {

std::u16string WithoutTrailingBlanks(const std::u16string& text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] <= u' ') --end;
  return text.substr(0, end);
}

}  // namespace

void TXMPPacket::UpdateProperty(TXMPWriteMode mode, TXMPKnownNamespace ns, const std::u16string& name,
                                const std::u16string& text, TXMPPropertyKind kind) {
  TXMPSchema* schema = FindSchema(ns);
  if (mode == xmRemove || text.empty()) {
    if (schema) schema->RemoveProperties({name});
    return;
  }
  if (!schema && mode == xmWrite) schema = &GetSchema(KnownNamespaceURI(ns));
  TXMPProperty* property = schema ? schema->FindProperty(name) : nullptr;
  if (!property && mode == xmWrite) property = &schema->AddProperty(name);
  if (!property) return;
  property->SetKind(kind);
  property->WriteValue(WithoutTrailingBlanks(text));
}

void TXMPPacket::UpdateProperty(TXMPKnownNamespace ns, const std::u16string& name, const std::u16string& text,
                                TXMPPropertyKind kind) {
  UpdateProperty(WriteMode, ns, name, text, kind);
  if (ns != xsTIFF || kind != xpSimple || name.empty() || (name[0] >= u'a' && name[0] <= u'z')) return;
  // Some writers spell the TIFF names in lower case: such a twin is kept in step.
  std::u16string lower = name;
  for (char16_t& c : lower)
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  UpdateProperty(WriteMode == xmWrite ? xmUpdateExisting : WriteMode, ns, lower, text, kind);
}

void TXMPPacket::UpdateProperty(TXMPKnownNamespace ns, const std::u16string& name, int64_t value) {
  UpdateProperty(ns, name, Wide(std::to_string(value)));
}

void TXMPPacket::UpdateDateTimeProperty(TXMPKnownNamespace ns, const std::u16string& name, TDateTime value,
                                        bool applyOffset) {
  if (value == 0) {
    UpdateProperty(ns, name, u"");
    return;
  }
  int y, m, d, h, n, s, ms;
  DecodeDateTime(value, y, m, d, h, n, s, ms);
  char text[64];
  int length = std::snprintf(text, sizeof text, "%.4d-%.2d-%.2dT%.2d:%.2d:%.2d.%.3d", y, m, d, h, n, s, ms);
  const int offset = applyOffset ? os::UtcOffsetMinutes(os::TLocalTime{y, m, d, h, n, s}) : 0;
  if (offset != 0)
    std::snprintf(text + length, sizeof text - size_t(length), "%c%.2d:%.2d", offset > 0 ? '+' : '-',
                  std::abs(offset) / 60, std::abs(offset) % 60);
  else
    std::snprintf(text + length, sizeof text - size_t(length), "Z");
  UpdateProperty(ns, name, Wide(text));
}

void TXMPPacket::RemoveProperty(TXMPKnownNamespace ns, std::initializer_list<std::u16string_view> names) {
  if (TXMPSchema* schema = FindSchema(ns)) schema->RemoveProperties(names);
}

// --- reading ------------------------------------------------------------------------------

namespace {

constexpr char XMLNamespace[] = "http://www.w3.org/XML/1998/namespace";
constexpr char XMLNSNamespace[] = "http://www.w3.org/2000/xmlns/";

// A packet nested more deeply than MaxXMPNesting: a packet this model cannot hold.
struct ETooDeep : EVmxExifException {
  ETooDeep() : Exception("XMP packet nested too deeply") {}
};

// The packet as UTF-8 text: UTF-16 and UTF-32 (told by a byte-order mark or by how the
// first "<" is encoded) are converted first, so that only NULs of 8-bit text, which pad
// some segments, become blanks.
std::string PacketText(const std::string& bytes) {
  const auto b = [&](size_t i) { return i < bytes.size() ? static_cast<uint8_t>(bytes[i]) : 0x100; };
  int unit = 1;
  bool bigEndian = false;
  if ((b(0) == 0 && b(1) == 0 && b(2) == 0xFE && b(3) == 0xFF) || (b(0) == 0 && b(1) == 0 && b(2) == 0 && b(3) == '<'))
    unit = 4, bigEndian = true;
  else if ((b(0) == 0xFF && b(1) == 0xFE && b(2) == 0 && b(3) == 0) ||
           (b(0) == '<' && b(1) == 0 && b(2) == 0 && b(3) == 0))
    unit = 4;
  else if ((b(0) == 0xFE && b(1) == 0xFF) || (b(0) == 0 && b(1) == '<'))
    unit = 2, bigEndian = true;
  else if ((b(0) == 0xFF && b(1) == 0xFE) || (b(0) == '<' && b(1) == 0))
    unit = 2;
  std::string text;
  if (unit == 1) {
    text = bytes;
  } else {
    const auto code = [&](size_t at) {
      char32_t value = 0;
      for (int i = 0; i < unit; ++i)
        value |= static_cast<char32_t>(static_cast<uint8_t>(bytes[at + size_t(i)]))
                 << (8 * (bigEndian ? unit - 1 - i : i));
      return value;
    };
    if (unit == 2) {
      std::u16string wide;
      for (size_t at = 0; at + 2 <= bytes.size(); at += 2) wide += static_cast<char16_t>(code(at));
      text = Utf16ToUtf8(wide);
    } else {
      for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        const char32_t c = code(at);
        AppendUtf8(text, IsScalarValue(c) ? c : ReplacementCharacter);
      }
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  }
  std::replace(text.begin(), text.end(), '\0', ' ');
  return text;
}

// Text of the document as the tree holds it: without the characters XML has not, which the
// parser lets through, so that the tree is what its written text reads back as.
std::u16string ReadText(std::string_view text) {
  std::u16string result = Utf8ToUtf16(text);
  std::erase_if(result, IsNoXMLChar);
  return result;
}

struct TXmlName {
  std::string_view Prefix, Local;
};

TXmlName SplitName(std::string_view name) {
  const size_t colon = name.find(':');
  if (colon == std::string_view::npos) return {{}, name};
  return {name.substr(0, colon), name.substr(colon + 1)};
}

bool IsXmlnsAttribute(const pugi::xml_attribute& attribute) {
  const std::string_view name = attribute.name();
  return name == "xmlns" || name.starts_with("xmlns:");
}

// pugixml keeps names as written: a prefix is resolved here, through the nearest declaration
// on the element or its ancestors ('' for the default namespace of elements).
std::string_view ResolvePrefix(pugi::xml_node element, std::string_view prefix) {
  if (prefix == "xml") return XMLNamespace;
  if (prefix == "xmlns") return XMLNSNamespace;
  const std::string declaration = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
  for (pugi::xml_node node = element; node.type() == pugi::node_element; node = node.parent())
    if (const pugi::xml_attribute found = node.attribute(declaration.c_str())) return found.value();
  return {};
}

// An element, or an attribute with the element it belongs to: what a property is read from.
struct TXmlItem {
  pugi::xml_node Element;
  pugi::xml_attribute Attribute;

  TXmlName Name() const { return SplitName(Attribute ? Attribute.name() : Element.name()); }
  std::string_view NamespaceURI() const {
    const TXmlName name = Name();
    if (Attribute && name.Prefix.empty()) return {};  // attributes take no default namespace
    return ResolvePrefix(Element, name.Prefix);
  }
  // A property needs a namespace other than those of XML itself, and a name the text of
  // the tree can hold that is not one of RDF's own.
  bool CanBeProperty() const {
    const std::string uri = Utf16ToUtf8(ReadText(NamespaceURI()));
    const std::u16string local = ReadText(Name().Local);
    return !uri.empty() && uri != XMLNamespace && uri != XMLNSNamespace && IsName(local) &&
           (uri != RDFNamespace || !IsRDFSyntaxName(local));
  }
};

pugi::xml_attribute FindRDFAttribute(pugi::xml_node element, std::string_view local) {
  for (const pugi::xml_attribute attribute : element.attributes()) {
    const TXmlItem item{element, attribute};
    if (item.Name().Local == local && item.NamespaceURI() == RDFNamespace) return attribute;
  }
  return {};
}

std::string_view RDFAttribute(pugi::xml_node element, std::string_view local) {
  return FindRDFAttribute(element, local).value();
}

// An attribute that is a field of a structure: xmlns declarations, xml:lang and RDF's own
// (rdf:about, rdf:resource, ...) are not.
bool IsFieldAttribute(pugi::xml_node element, const pugi::xml_attribute& attribute) {
  const TXmlItem item{element, attribute};
  return !IsXmlnsAttribute(attribute) && item.CanBeProperty() && item.NamespaceURI() != RDFNamespace;
}

bool HasFieldAttribute(pugi::xml_node element) {
  for (const pugi::xml_attribute attribute : element.attributes())
    if (IsFieldAttribute(element, attribute)) return true;
  return false;
}

pugi::xml_node FindRDFNode(const pugi::xml_document& document) {
  for (const pugi::xml_node node : document.children()) {
    if (node.type() != pugi::node_element) continue;
    const std::string_view local = SplitName(node.name()).Local;
    if (local == "RDF") return node;
    if (local == "xmpmeta" || local == "xapmeta") {
      for (const pugi::xml_node child : node.children())
        if (child.type() == pugi::node_element && std::strcmp(child.name(), "rdf:RDF") == 0) return child;
      return {};
    }
  }
  return {};
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpCaseChar(x) == UpCaseChar(y); });
}

struct TStringWriter : pugi::xml_writer {
  std::string Text;
  void write(const void* data, size_t size) override { Text.append(static_cast<const char*>(data), size); }
};

}  // namespace

// Builds the tree of a packet from pugixml's document; a friend of the model's classes.
struct TXMPReader {
  static void LoadProperty(TXMPSchema& schema, const TXmlItem& item) {
    schema.FLoadingProperty = true;
    try {
      // The prefix as written, whatever it looks like: where it cannot be declared again, the
      // writer makes one up.
      if (schema.FItems.empty()) schema.FNamespaceInfo.FPreferredPrefix = ReadText(item.Name().Prefix);
      auto property = std::make_unique<TXMPProperty>(schema, nullptr);
      Read(*property, item, 1);
      schema.FItems.push_back(std::move(property));
    } catch (...) {
      schema.FLoadingProperty = false;
      throw;
    }
    schema.FLoadingProperty = false;
  }

  static void Read(TXMPProperty& property, const TXmlItem& item, int depth) {
    if (depth > MaxXMPNesting) throw ETooDeep();
    pugi::xml_node content;
    bool byResource = false;
    if (item.Attribute) {
      property.FValue = ReadText(item.Attribute.value());
    } else if (RDFAttribute(item.Element, "parseType") == "Resource") {
      property.FKind = xpStructure;
      content = item.Element;
      byResource = true;
    } else {
      for (const pugi::xml_node child : item.Element.children()) {
        const pugi::xml_node_type type = child.type();
        if (type != pugi::node_element && type != pugi::node_pcdata && type != pugi::node_cdata) continue;
        content = child;
        if (type == pugi::node_element) property.FKind = ContainerKind(child.name());
        break;
      }
      if (property.FKind == xpSimple && content && content.type() != pugi::node_element) {
        property.FValue = ReadText(content.value());
      } else if (property.FKind == xpSimple && !content && HasFieldAttribute(item.Element)) {
        property.FKind = xpStructure, content = item.Element;  // the attribute form of a structure
      } else if (property.FKind == xpSimple && !content) {
        // A reference: its URI is the value.
        if (const pugi::xml_attribute resource = FindRDFAttribute(item.Element, "resource"))
          property.FValue = ReadText(resource.value()), property.FIsURI = true;
      }
    }
    ReadName(property, item);
    if (property.FKind == xpSimple) return;
    if (property.FKind == xpStructure && !byResource)
      for (const pugi::xml_attribute attribute : content.attributes())
        if (IsFieldAttribute(content, attribute)) ReadSubProperty(property, {content, attribute}, depth);
    for (const pugi::xml_node child : content.children()) {
      if (child.type() != pugi::node_element) continue;
      const TXmlItem sub{child, {}};
      if (property.FKind == xpStructure ? sub.CanBeProperty() : std::strcmp(child.name(), "rdf:li") == 0)
        ReadSubProperty(property, sub, depth);
    }
  }

  static TXMPPropertyKind ContainerKind(std::string_view name) {
    if (name == "rdf:Alt") return xpAltArray;
    if (name == "rdf:Bag") return xpBagArray;
    if (name == "rdf:Seq") return xpSeqArray;
    if (name == "rdf:Description") return xpStructure;
    return xpSimple;
  }

  static void ReadName(TXMPProperty& property, const TXmlItem& item) {
    const TXMPProperty* parent = property.FParentProperty;
    const std::u16string language = item.Attribute ? u"" : ReadText(item.Element.attribute("xml:lang").value());
    if (parent && parent->FKind == xpAltArray) {
      property.FName = language;  // none: an item without language
      return;
    }
    property.FLanguage = language;
    if (parent && parent->FKind != xpStructure) {
      property.FName.clear();
    } else {
      property.FName = ReadText(item.Name().Local);
      if (property.FNamespaceInfo.Update(ReadText(item.Name().Prefix), ReadText(item.NamespaceURI())))
        property.FUsesParentNamespace = false;
    }
  }

  static void ReadSubProperty(TXMPProperty& parent, const TXmlItem& item, int depth) {
    auto sub = std::make_unique<TXMPProperty>(parent.FSchema, &parent);
    Read(*sub, item, depth + 1);
    parent.FItems.push_back(std::move(sub));
  }

  static void ReadDescriptions(TXMPPacket& packet, pugi::xml_node rdf) {
    for (const pugi::xml_node description : rdf.children()) {
      if (description.type() != pugi::node_element) continue;
      const TXmlItem element{description, {}};
      if (element.NamespaceURI() != RDFNamespace || !SameTextIgnoringCase(description.name(), "rdf:Description"))
        continue;
      if (packet.FAboutAttributeValue.empty()) {
        std::u16string& about = packet.FAboutAttributeValue;
        about = ReadText(RDFAttribute(description, "about"));
        if (about.empty()) about = ReadText(description.attribute("about").value());
      }
      for (const pugi::xml_attribute attribute : description.attributes()) {
        const TXmlItem item{description, attribute};
        const std::string_view uri = item.NamespaceURI();
        if (!IsXmlnsAttribute(attribute) && item.CanBeProperty() && uri != RDFNamespace)
          LoadProperty(packet.GetSchema(ReadText(uri)), item);
      }
      for (const pugi::xml_node child : description.children()) {
        const TXmlItem item{child, {}};
        if (child.type() == pugi::node_element && item.CanBeProperty())
          LoadProperty(packet.GetSchema(ReadText(item.NamespaceURI())), item);
      }
    }
  }
};

bool TXMPPacket::TryLoadFromStream(TStream& stream) {
  FIncludesSignature = CheckSignature(stream, XMPSignature.data(), static_cast<uint8_t>(XMPSignature.size()));
  std::string bytes(static_cast<size_t>(std::max<int64_t>(stream.Size() - stream.Position(), 0)), '\0');
  bytes.resize(static_cast<size_t>(stream.Read(bytes.data(), static_cast<int64_t>(bytes.size()))));
  const std::string text = PacketText(bytes);
  pugi::xml_document document;
  if (!document.load_buffer(text.data(), text.size(), pugi::parse_default | pugi::parse_ws_pcdata_single,
                            pugi::encoding_utf8))
    return false;
  const pugi::xml_node rdf = FindRDFNode(document);
  if (!rdf) return false;
  // The tree held so far is kept aside: whatever stops the reading, it comes back. A packet the
  // model cannot hold (one nested too deeply, or one the model refuses) is a failed load; any
  // other error goes on up.
  std::vector<std::unique_ptr<TXMPSchema>> before = std::move(FSchemas);
  std::u16string aboutBefore = std::move(FAboutAttributeValue);
  FSchemas.clear();
  FAboutAttributeValue.clear();
  try {
    TXMPReader::ReadDescriptions(*this, rdf);
  } catch (...) {
    FSchemas = std::move(before);
    FAboutAttributeValue = std::move(aboutBefore);
    try {
      throw;
    } catch (const EVmxExifException&) {
      return false;
    }
  }
  if (text.starts_with("<?xpacket ")) {
    FRawXML = text;
  } else {
    TStringWriter writer;
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    FRawXML = std::move(writer.Text);
  }
  Changed(false);
  return true;
}

// --- writing ------------------------------------------------------------------------------

std::string EscapeXML(std::u16string_view text, bool attributeValue) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool high = IsHighSurrogate(c), low = IsLowSurrogate(c);
    if (high && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out += c;
      out += text[++i];
      continue;
    }
    switch (c) {
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      case u'&':
        out += u"&amp;";
        break;
      case u'\'':
        out += u"&apos;";
        break;
      case u'"':
        out += u"&quot;";
        break;
      case u'\r':
        out += u"&#xD;";
        break;  // a parser would turn a plain CR into a LF
      case u'\t':
        out += attributeValue ? u"&#x9;" : u"\t";
        break;
      case u'\n':
        out += attributeValue ? u"&#xA;" : u"\n";
        break;
      default:
        if (!high && !low && !IsNoXMLChar(c)) out += c;
    }
  }
  return Utf16ToUtf8(out);
}

namespace {

// The packet text of a tree, in the layout of Adobe's packets: one rdf:Description per
// schema, tab indentation.
class TXMPWriter {
 public:
  explicit TXMPWriter(const TXMPPacket& packet) : FPacket(packet) {}

  std::string Text() {
    FOut =
        "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" VmxExifVersion=\"1.1.2\">\n"
        "\t<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n";
    const std::string about = EscapeXML(FPacket.AboutAttributeValue(), true);
    for (int i = 0; i < FPacket.SchemaCount(); ++i) {
      const TXMPSchema& schema = FPacket.Schema(i);
      FScope.clear();
      FOut += "\t\t<rdf:Description rdf:about=\"" + about + "\"" + Declaration(schema.NamespaceInfo()) + ">\n";
      Properties(schema, 3);
      FOut += "\t\t</rdf:Description>\n";
    }
    // Without schemas, a description of its own keeps what the packet is about.
    if (FPacket.SchemaCount() == 0 && !about.empty())
      FOut += "\t\t<rdf:Description rdf:about=\"" + about + "\">\n\t\t</rdf:Description>\n";
    FOut += "\t</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?> ";
    return std::move(FOut);
  }

 private:
  // The prefix a namespace is written with: its own when usable, else one made up for its
  // URI ("ns1", "ns2", ...); none for an element in no namespace.
  std::string Prefix(const TXMPNamespaceInfo& ns) {
    const std::u16string uri = ns.URI(), prefix = ns.PreferredPrefix();
    if (uri.empty()) return {};
    if (IsUsablePrefix(prefix, uri)) return Utf16ToUtf8(prefix);
    std::string& made = FMadePrefixes[uri];
    if (made.empty()) made = "ns" + std::to_string(FMadePrefixes.size());
    return made;
  }

  // The declaration an element needs for its namespace: none while the prefix is bound to it
  // already (the binding lasts until the element's end, see Properties).
  std::string Declaration(const TXMPNamespaceInfo& ns) {
    const std::string prefix = Prefix(ns);
    const std::string uri = Utf16ToUtf8(ns.URI());
    if (prefix.empty()) return {};
    const auto bound = std::find_if(FScope.rbegin(), FScope.rend(), [&](const auto& b) { return b.first == prefix; });
    if (bound != FScope.rend() && bound->second == uri) return {};
    FScope.emplace_back(prefix, uri);
    return " xmlns:" + prefix + "=\"" + EscapeXML(ns.URI(), true) + "\"";
  }

  std::string QualifiedName(const TXMPProperty& property) {
    const std::string prefix = Prefix(property.NamespaceInfo());
    return (prefix.empty() ? "" : prefix + ":") + Utf16ToUtf8(property.Name());
  }

  void Properties(const TXMPPropertyCollection& properties, int level) {
    const std::string indent(static_cast<size_t>(level), '\t');
    for (const TXMPProperty& property : properties) {
      const TXMPProperty* parent = property.ParentProperty();
      const bool item = parent && parent->Kind() != xpStructure;
      if (!item && property.Name().empty()) continue;  // added, but not named yet
      const std::string name = item ? "rdf:li" : QualifiedName(property);
      FOut += indent + "<" + name;
      const size_t scope = FScope.size();
      if (!item) FOut += Declaration(property.NamespaceInfo());
      if (!property.Language().empty()) FOut += " xml:lang=\"" + EscapeXML(property.Language(), true) + "\"";
      if (property.Kind() == xpSimple) {
        if (property.IsURI())
          FOut += " rdf:resource=\"" + EscapeXML(property.ReadValue(), true) + "\"/>\n";
        else
          FOut += ">" + EscapeXML(property.ReadValue()) + "</" + name + ">\n";
        FScope.resize(scope);
        continue;
      }
      FOut += ">";
      static constexpr const char* Containers[] = {"", "rdf:Description", "rdf:Alt", "rdf:Bag", "rdf:Seq"};
      const std::string container = Containers[property.Kind()];
      FOut += "\n" + indent + "\t<" + container + ">\n";
      Properties(property, level + 2);
      FOut += indent + "\t</" + container + ">\n" + indent + "</" + name + ">\n";
      FScope.resize(scope);
    }
  }

  const TXMPPacket& FPacket;
  std::map<std::u16string, std::string> FMadePrefixes;
  std::vector<std::pair<std::string, std::string>> FScope;  // prefixes bound, innermost last
  std::string FOut;
};

}  // namespace

std::string TXMPPacket::GenerateXML() const { return TXMPWriter(*this).Text(); }

}  // namespace vmx
