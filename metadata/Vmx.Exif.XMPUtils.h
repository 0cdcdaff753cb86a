// XMP packets as a tree: schemas (one per namespace) of properties, each a simple value, a
// structure of named fields, or an array (Alt, Bag, Seq) of items. Packets are read from
// UTF-8, UTF-16 or UTF-32 text and written as UTF-8; a packet keeps the text it was read
// from and writes it back unchanged until its tree is edited.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/Vmx.Exif.StreamHelper.h"

namespace vmx {

using TDateTime = double;

// The namespaces the XMP standard and its companions define; xsUnknown for any other.
enum TXMPKnownNamespace : uint8_t {
  xsUnknown,
  xsRDF,
  xsCameraRaw,
  xsXMPGraphics,
  xsDimensions,
  xsDublinCore,
  xsFont,
  xsExif,
  xsExifAux,
  xsIPTCCore,
  xsJob,
  xsMicrosoftPhoto,
  xsPDF,
  xsPhotoshop,
  xsResourceEvent,
  xsResourceRef,
  xsXMPGraphicsImage,
  xsTIFF,
  xsVersion,
  xsXMPBasic,
  xsXMPBasicJobTicket,
  xsXMPDynamicMedia,
  xsXMPMediaManagement,
  xsXMPPagedText,
  xsXMPRights
};

// The kind of a known namespace URI (compared without regard to case); xsUnknown otherwise.
TXMPKnownNamespace FindKnownNamespace(std::u16string_view uri);
std::u16string KnownNamespaceURI(TXMPKnownNamespace kind);
std::u16string KnownNamespacePrefix(TXMPKnownNamespace kind);

enum TXMPPropertyKind : uint8_t { xpSimple, xpStructure, xpAltArray, xpBagArray, xpSeqArray };

// How the Exif data object's setters treat the packet: write (adding what is missing),
// update only what exists, or remove.
enum TXMPWriteMode : uint8_t { xmWrite, xmUpdateExisting, xmRemove };

// Properties nest no deeper than this: a packet that does is not valid.
inline constexpr int MaxXMPNesting = 64;

class EInvalidXMPOperation : public EVmxExifException {
 public:
  explicit EInvalidXMPOperation(const std::string& message) : Exception(message) {}
};

class EInvalidXMPPacket : public EVmxExifException {
 public:
  EInvalidXMPPacket() : Exception("XMP packet is not valid") {}
};

class TXMPNamespaceInfo {
 public:
  explicit TXMPNamespaceInfo(TXMPKnownNamespace kind) : FKind(kind) {}
  // Raises EInvalidXMPOperation for a prefix the packet text cannot declare (see SetPreferredPrefix).
  TXMPNamespaceInfo(std::u16string prefix, std::u16string uri);
  // A copy of the prefix, URI and kind; the change handler stays the copy's own.
  TXMPNamespaceInfo(const TXMPNamespaceInfo& source) { CopyFrom(source); }
  TXMPNamespaceInfo& operator=(const TXMPNamespaceInfo&) = delete;

  // The stored prefix, else the known prefix of the kind.
  std::u16string PreferredPrefix() const;
  // Raises EInvalidXMPOperation for a prefix that is no XML name, begins with "xml", is "rdf"
  // for another namespace, or is empty for a namespace without a prefix of its own.
  void SetPreferredPrefix(const std::u16string& value);
  // The known URI of the kind, else the stored one.
  std::u16string URI() const;
  TXMPKnownNamespace Kind() const { return FKind; }
  // Raises EInvalidXMPOperation when Source's prefix cannot be declared (see SetPreferredPrefix),
  // and for another URI where the namespace is a schema's or a top-level property's (which
  // is its schema's).
  void Assign(const TXMPNamespaceInfo& source);
  // Takes a prefix and URI met in a packet; answers whether either differed.
  bool Update(const std::u16string& prefix, const std::u16string& uri);
  void CopyFrom(const TXMPNamespaceInfo& source);

  std::function<void()> OnChange;

 private:
  std::u16string FPreferredPrefix;
  std::u16string FURI;
  TXMPKnownNamespace FKind = xsUnknown;
  bool FURIFixed = false;
  friend class TXMPProperty;
  friend class TXMPSchema;
  friend struct TXMPReader;
};

class TXMPPacket;
class TXMPProperty;
class TXMPSchema;
struct TXMPReader;

// What a schema and a property share: a namespace and an ordered list of properties they own.
class TXMPPropertyCollection {
 public:
  using TItems = std::vector<std::unique_ptr<TXMPProperty>>;
  class TIterator {
   public:
    explicit TIterator(TItems::const_iterator at) : FAt(at) {}
    TXMPProperty& operator*() const { return **FAt; }
    TIterator& operator++() { return ++FAt, *this; }
    bool operator!=(const TIterator& other) const { return FAt != other.FAt; }

   private:
    TItems::const_iterator FAt;
  };

  explicit TXMPPropertyCollection(const TXMPNamespaceInfo& ns) : FNamespaceInfo(ns) {}
  virtual ~TXMPPropertyCollection();
  TXMPPropertyCollection(const TXMPPropertyCollection&) = delete;
  TXMPPropertyCollection& operator=(const TXMPPropertyCollection&) = delete;

  TXMPNamespaceInfo& NamespaceInfo() { return FNamespaceInfo; }
  const TXMPNamespaceInfo& NamespaceInfo() const { return FNamespaceInfo; }
  int Count() const { return static_cast<int>(FItems.size()); }
  TXMPProperty& operator[](int index) const { return *FItems.at(static_cast<size_t>(index)); }
  TIterator begin() const { return TIterator(FItems.begin()); }
  TIterator end() const { return TIterator(FItems.end()); }

 protected:
  // Hands the namespace on to the items that use their parent's.
  void PropagateNamespace();

  TXMPNamespaceInfo FNamespaceInfo;
  TItems FItems;
};

class TXMPProperty : public TXMPPropertyCollection {
 public:
  // An empty simple property in the namespace of its parent (of its schema at the top).
  TXMPProperty(TXMPSchema& schema, TXMPProperty* parent);

  TXMPPropertyKind Kind() const { return FKind; }
  // Raises EInvalidXMPOperation when a structure would get a field whose name is no XML name.
  void SetKind(TXMPPropertyKind value);
  // An Alt item's name is its language; Bag and Seq items have none. Raises
  // EInvalidXMPOperation for a name the packet text cannot hold.
  const std::u16string& Name() const { return FName; }
  void SetName(const std::u16string& value);
  // The language of a value (its xml:lang); an Alt item's is its name.
  const std::u16string& Language() const { return HasLanguageName() ? FName : FLanguage; }
  void SetLanguage(const std::u16string& value);
  // A simple value that is a reference (a URI), written as the rdf:resource attribute.
  bool IsURI() const { return FIsURI; }
  void SetIsURI(bool value);
  bool UsesParentNamespace() const { return FUsesParentNamespace; }
  TXMPProperty* ParentProperty() const { return FParentProperty; }
  TXMPSchema& Schema() const { return FSchema; }

  // A simple value; the x-default item of an Alt; the items of a Bag or Seq joined by ",".
  // Reading changes nothing.
  std::u16string ReadValue(const std::u16string& defaultValue = {}) const;
  // Reports a change only when something changes. A Bag or Seq takes one item per part
  // of the text cut at "," and ";". Characters XML has not are dropped.
  void WriteValue(const std::u16string& text);

  bool HasNamedSubProperties() const { return FKind == xpStructure || FKind == xpAltArray; }
  bool SupportsSubProperties() const { return FKind != xpSimple; }
  TXMPProperty& AddSubProperty(const std::u16string& name);
  // Searches from the last sub-property to the first.
  TXMPProperty* FindSubProperty(std::u16string_view name) const;
  TXMPProperty& GetNamedSubProperty(const std::u16string& name);
  bool RemoveSubProperty(std::u16string_view name);
  void SetSubPropertyCount(int count);
  // Writes, adds or (in remove mode, or for an empty text) removes the named sub-property,
  // turning this property into a structure first when it cannot hold named ones.
  void UpdateSubProperty(const std::u16string& name, TXMPPropertyKind kind, const std::u16string& text);
  void UpdateSubProperty(const std::u16string& name, int value);
  void UpdateSubProperty(const std::u16string& name, bool value);

 private:
  friend struct TXMPReader;
  int Depth() const;
  void Changed();
  bool HasLanguageName() const { return FParentProperty && FParentProperty->FKind == xpAltArray; }
  void CheckName(const std::u16string& name, TXMPPropertyKind parentKind) const;

  TXMPPropertyKind FKind = xpSimple;
  std::u16string FName;
  std::u16string FLanguage;
  bool FIsURI = false;
  bool FUsesParentNamespace = true;
  TXMPProperty* FParentProperty;
  TXMPSchema& FSchema;
  std::u16string FValue;
};

class TXMPSchema : public TXMPPropertyCollection {
 public:
  TXMPSchema(TXMPPacket& owner, const std::u16string& uri);

  TXMPPacket& Owner() const { return FOwner; }
  // Raises EInvalidXMPOperation while the namespace has no prefix.
  TXMPProperty& AddProperty(const std::u16string& name);
  TXMPProperty* FindProperty(std::u16string_view name) const;
  // Answers whether any went; a removal is a change.
  bool RemoveProperties(std::initializer_list<std::u16string_view> names);

 private:
  friend class TXMPProperty;
  friend struct TXMPReader;
  void Changed();

  bool FLoadingProperty = false;
  TXMPPacket& FOwner;
};

class TXMPPacket {
 public:
  TXMPPacket() = default;
  virtual ~TXMPPacket();
  TXMPPacket(const TXMPPacket&) = delete;
  TXMPPacket& operator=(const TXMPPacket&) = delete;

  // Raises EInvalidXMPPacket (or calls OnLoadError) when the text is no packet.
  void LoadFromStream(TStream& stream);
  // Reads from the stream's position to its end; on failure (text that is no packet, or a
  // packet the tree cannot hold) the packet stays as it was, but for IncludesSignature.
  bool TryLoadFromStream(TStream& stream);
  // The text it was read from while unedited, else the text of the tree.
  void SaveToStream(TStream& stream);
  // The packet text (without signature), made from the tree when none is kept.
  const std::string& RawXML() const;
  // Loads Text; an empty text clears the packet.
  void SetRawXML(const std::string& text);
  void Assign(const TXMPPacket* source);
  void Clear();

  const std::u16string& AboutAttributeValue() const { return FAboutAttributeValue; }
  void SetAboutAttributeValue(const std::u16string& value);
  bool IncludesSignature() const { return FIncludesSignature; }

  int SchemaCount() const { return static_cast<int>(FSchemas.size()); }
  // In the order of their URIs, compared without regard to case.
  TXMPSchema& Schema(int index) const { return *FSchemas.at(static_cast<size_t>(index)); }
  TXMPSchema* FindSchema(std::u16string_view uri) const;
  TXMPSchema* FindSchema(TXMPKnownNamespace kind) const { return FindSchema(KnownNamespaceURI(kind)); }
  TXMPSchema& GetSchema(const std::u16string& uri);

  // The mirror of one value: written (xmWrite adds what is missing), updated only where it
  // exists (xmUpdateExisting), or removed (xmRemove, or an empty text).
  void UpdateProperty(TXMPWriteMode mode, TXMPKnownNamespace ns, const std::u16string& name, const std::u16string& text,
                      TXMPPropertyKind kind = xpSimple);
  // The same in this packet's write mode; a TIFF name also updates its lower-case twin.
  void UpdateProperty(TXMPKnownNamespace ns, const std::u16string& name, const std::u16string& text,
                      TXMPPropertyKind kind = xpSimple);
  void UpdateProperty(TXMPKnownNamespace ns, const std::u16string& name, int64_t value);
  // 0 removes; else "YYYY-MM-DDThh:mm:ss.zzz" and the offset from UTC that the system's
  // time zone has on that date (a local time), or "Z".
  void UpdateDateTimeProperty(TXMPKnownNamespace ns, const std::u16string& name, TDateTime value, bool applyOffset);
  void RemoveProperty(TXMPKnownNamespace ns, std::initializer_list<std::u16string_view> names);

  TXMPWriteMode WriteMode = xmWrite;
  std::function<void()> OnChange;
  std::function<void(TXMPPacket&, TStream&)> OnLoadError;

 protected:
  // Every change of the tree ends here; the loader keeps the text it read.
  virtual void Changed(bool resetRawXML);
  virtual void DoLoadError(TStream& stream);

 private:
  friend class TXMPSchema;
  friend struct TXMPReader;
  std::string GenerateXML() const;

  std::u16string FAboutAttributeValue;
  mutable std::string FRawXML;  // the text read, or the text of the tree once asked for
  std::vector<std::unique_ptr<TXMPSchema>> FSchemas;
  bool FIncludesSignature = false;
};

// The 29 bytes that open an XMP APP1 segment: the XMP basic namespace URI and a NUL.
inline constexpr std::string_view XMPSignature{"http://ns.adobe.com/xap/1.0/\0", 29};
// Whether an XMP signature lies at the stream's position (which is kept).
bool HasXMPSegmentHeader(TStream& stream);

// Text for XML: the five special characters as entities, the characters XML 1.0 forbids
// dropped, a CR (and in an attribute value also a TAB and a LF) as a character reference.
std::string EscapeXML(std::u16string_view text, bool attributeValue = false);

}  // namespace vmx
