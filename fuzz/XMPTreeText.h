// The whole tree of an XMP packet as text, to tell whether two packets hold the same.
#pragma once

#include <string>

#include "core/Unicode.h"
#include "metadata/Vmx.Exif.XMPUtils.h"

inline std::string TreeText(const vmx::TXMPPropertyCollection& properties) {
  std::string out;
  for (const vmx::TXMPProperty& p : properties) {
    // An item has no namespace of its own in the text; only a simple value is a reference.
    const bool item = p.ParentProperty() && p.ParentProperty()->Kind() != vmx::xpStructure;
    if (!item && p.Name().empty()) continue;  // added, but not named yet: not written
    const vmx::TXMPNamespaceInfo& ns = p.NamespaceInfo();
    out += "<" + std::to_string(p.Kind()) + (p.Kind() == vmx::xpSimple && p.IsURI() ? "@" : "") + " " +
           ::Utf16ToUtf8(p.Name()) + " " +
           (item ? std::string() : ::Utf16ToUtf8(ns.URI()) + " " + ::Utf16ToUtf8(ns.PreferredPrefix())) + " " +
           ::Utf16ToUtf8(p.Language()) + "=" +
           (p.Kind() == vmx::xpSimple ? ::Utf16ToUtf8(p.ReadValue()) : TreeText(p)) + ">";
  }
  return out;
}

inline std::string TreeText(const vmx::TXMPPacket& packet) {
  std::string out = ::Utf16ToUtf8(packet.AboutAttributeValue());
  for (int i = 0; i < packet.SchemaCount(); ++i) {
    const std::string properties = TreeText(packet.Schema(i));  // a schema without any says nothing
    if (!properties.empty()) out += "\n" + ::Utf16ToUtf8(packet.Schema(i).NamespaceInfo().URI()) + " " + properties;
  }
  return out;
}
