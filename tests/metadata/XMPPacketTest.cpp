#include <gtest/gtest.h>

#include "core/Unicode.h"
#include "metadata/Vmx.Exif.h"

using namespace vmx;

namespace {

const std::string RDF = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

// A packet around a body of rdf:Description elements.
std::string Packet(const std::string& body) {
  return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + RDF + "\">" + body + "</rdf:RDF></x:xmpmeta>";
}

bool Load(TXMPPacket& packet, std::string_view bytes) {
  TUserMemoryStream stream(bytes.data(), int64_t(bytes.size()));
  return packet.TryLoadFromStream(stream);
}

std::string Saved(TXMPPacket& packet) {
  TMemoryStream stream;
  packet.SaveToStream(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

// One word per property: prefix:name (nothing for an item, the language for an Alt item),
// a kind letter for containers, "=" and the value for simple ones.
std::string Dump(const TXMPPropertyCollection& properties) {
  std::string out;
  for (const TXMPProperty& p : properties) {
    const TXMPProperty* parent = p.ParentProperty();
    if (!parent || parent->Kind() == xpStructure)
      out += Utf16ToUtf8(p.NamespaceInfo().PreferredPrefix()) + ":" + Utf16ToUtf8(p.Name());
    else if (parent->Kind() == xpAltArray)
      out += Utf16ToUtf8(p.Name());
    if (p.Kind() == xpSimple)
      out += "=" + Utf16ToUtf8(p.ReadValue());
    else
      out += std::string(" ") + " TABQ"[p.Kind()] + "{" + Dump(p) + "}";
    out += " ";
  }
  return out;
}

std::string Dump(const TXMPPacket& packet) {
  std::string out = "about=" + Utf16ToUtf8(packet.AboutAttributeValue()) + "\n";
  for (int i = 0; i < packet.SchemaCount(); ++i)
    out += Utf16ToUtf8(packet.Schema(i).NamespaceInfo().URI()) + " " + Dump(packet.Schema(i)) + "\n";
  return out;
}

std::string Encoded(const std::u16string& text, int unit, bool big) {
  std::string out;
  for (char32_t c : text) {  // the texts here are all in the BMP
    for (int i = 0; i < unit; ++i) out += char(c >> (8 * (big ? unit - 1 - i : i)));
  }
  return out;
}

}  // namespace

TEST(XMPPacketTest, ReadsEveryFormOfProperty) {
  const std::string ns = " xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:exif=\"http://ns.adobe.com/exif/1.0/\"";
  const struct Case {
    const char* Name;
    std::string Body, Expected;
  } cases[] = {
      {"an attribute", "<rdf:Description" + ns + " exif:ExposureTime=\"1/60\"/>", "exif:ExposureTime=1/60 "},
      {"an indented Bag, with a child that is no item",
       "<rdf:Description" + ns +
           ">\n\t<dc:subject>\n\t\t<rdf:Bag>\n\t\t\t<rdf:li>a</rdf:li>\n\t\t\t<dc:x>no</dc:x>\n"
           "\t\t\t<rdf:li>b</rdf:li>\n\t\t</rdf:Bag>\n\t</dc:subject>\n</rdf:Description>",
       "dc:subject B{=a =b } "},
      {"an Alt, whose items need a language",
       "<rdf:Description" + ns +
           "><dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">T</rdf:li><rdf:li>no</rdf:li>"
           "<rdf:li xml:lang=\"de\"></rdf:li></rdf:Alt></dc:title></rdf:Description>",
       "dc:title A{x-default=T de= } "},
      {"a structure by parseType",
       "<rdf:Description" + ns +
           "><exif:Flash rdf:parseType=\"Resource\"><exif:Fired>True</exif:Fired></exif:Flash>"
           "</rdf:Description>",
       "exif:Flash T{exif:Fired=True } "},
      {"a Seq of structures",
       "<rdf:Description" + ns +
           "><dc:creator><rdf:Seq><rdf:li><rdf:Description dc:a=\"1\"><dc:b>2</dc:b>"
           "</rdf:Description></rdf:li></rdf:Seq></dc:creator></rdf:Description>",
       "dc:creator Q{ T{dc:a=1 dc:b=2 } } "},
      // A property without a prefix of its own, in its parent's namespace, takes the parent's prefix.
      {"a default namespace",
       "<rdf:Description xmlns:my=\"http://example.com/my/\"><my:s rdf:parseType=\"Resource\">"
       "<inner xmlns=\"http://example.com/my/\">v</inner></my:s></rdf:Description>",
       "my:s T{my:inner=v } "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TXMPPacket packet;
    ASSERT_TRUE(Load(packet, Packet(c.Body)));
    ASSERT_GE(packet.SchemaCount(), 1);
    std::string all;
    for (int i = 0; i < packet.SchemaCount(); ++i) all += Dump(packet.Schema(i));
    EXPECT_EQ(all, c.Expected);
  }
}

TEST(XMPPacketTest, ReadsThePacketInAnyEncodingAndNULPaddingAsBlanks) {
  const std::u16string text = u"<?xpacket begin=\"\xFEFF\"?>" +
                              Utf8ToUtf16(Packet("<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                                                 "dc:format=\"caf\xC3\xA9\"/>"));
  const struct Case {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"UTF-8 padded with NULs", Utf16ToUtf8(text) + std::string(40, '\0')},
      {"UTF-16BE", Encoded(text, 2, true)},
      {"UTF-16LE with its mark", Encoded(u"\xFEFF" + text, 2, false)},
      {"UTF-32LE with its mark and NUL padding", Encoded(u"\xFEFF" + text, 4, false) + std::string(8, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TXMPPacket packet;
    ASSERT_TRUE(Load(packet, c.Bytes));
    EXPECT_EQ(Dump(packet.Schema(0)), "dc:format=caf\xC3\xA9 ");
    EXPECT_TRUE(packet.RawXML().starts_with("<?xpacket begin=\"\xEF\xBB\xBF\"?>"));  // kept, as UTF-8
  }
}

TEST(XMPPacketTest, TextIsWrittenBackUnchangedUntilTheTreeIsEdited) {
  const std::string text =
      "<?xpacket begin=\"\"?>" + Packet(
                                     "<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
                                     "<dc:title><rdf:Alt/></dc:title><dc:x>1</dc:x></rdf:Description>");
  TXMPPacket packet;
  int changes = 0;
  packet.OnChange = [&] { ++changes; };
  ASSERT_TRUE(Load(packet, std::string(XMPSignature) + text));
  EXPECT_EQ(Saved(packet), std::string(XMPSignature) + text + " ");
  changes = 0;
  TXMPSchema& dc = *packet.FindSchema(xsDublinCore);
  EXPECT_EQ(dc.FindProperty(u"title")->ReadValue(u"none"), u"none");  // reading adds no x-default
  dc.FindProperty(u"x")->WriteValue(u"1");
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(Saved(packet), std::string(XMPSignature) + text + " ");
  dc.FindProperty(u"x")->WriteValue(u"2");
  EXPECT_EQ(changes, 1);
  EXPECT_NE(Saved(packet).find("<dc:x>2</dc:x>"), std::string::npos);
  EXPECT_FALSE(Load(packet, "<x:xmpmeta><nordf/></x:xmpmeta>"));
  EXPECT_THROW(packet.SetRawXML("no XML"), EInvalidXMPPacket);
}

TEST(XMPPacketTest, WhatIsWrittenReadsBackAsTheSameTree) {
  TXMPPacket packet;
  packet.SetAboutAttributeValue(u"uuid:\"a\" & <b>\tc");
  TXMPSchema& dc = packet.GetSchema(KnownNamespaceURI(xsDublinCore));
  dc.AddProperty(u"text").WriteValue(u"<a href='x'>&amp;</a> \"q\"\r\n\tline \U0001D11E");
  TXMPProperty& title = dc.AddProperty(u"title");
  title.SetKind(xpAltArray);
  title.AddSubProperty(u"x-default");
  title.AddSubProperty(u"en\"&").WriteValue(u"T");
  TXMPProperty& list = dc.AddProperty(u"list");
  list.SetKind(xpSeqArray);
  list.WriteValue(u"a,b");
  list[1].SetKind(xpStructure);
  list[1].AddSubProperty(u"field").WriteValue(u"f");
  TXMPSchema& own = packet.GetSchema(u"http://example.com/?a=1&b=\"2\"");
  own.NamespaceInfo().SetPreferredPrefix(u"my");
  TXMPProperty& structure = own.AddProperty(u"s");
  structure.SetKind(xpStructure);
  structure.AddSubProperty(u"inner").NamespaceInfo().Assign(TXMPNamespaceInfo(u"oth", u"http://other/"));
  structure[0].SetKind(xpBagArray);
  structure[0].WriteValue(u"1;2");

  TXMPPacket back;
  ASSERT_TRUE(Load(back, Saved(packet)));
  EXPECT_EQ(Dump(back), Dump(packet));
  EXPECT_EQ(Saved(back), Saved(packet));
}

TEST(XMPPacketTest, TheWriterMakesReadableXMLOfAnyTree) {
  const struct Case {
    const char* Name;
    std::u16string Prefix, URI, Value;
    std::string ReadPrefix, ReadValue;
  } cases[] = {
      {"no prefix", u"", u"http://a/", u"v", "ns1", "v"},
      {"rdf for another namespace", u"rdf", u"http://a/", u"v", "ns1", "v"},
      {"a prefix reserved by XML", u"xmlx", u"http://a/", u"v", "ns1", "v"},
      {"no name", u"a b", u"http://a/", u"v", "ns1", "v"},
      {"characters XML has not", u"p", u"http://a/", u"a\x01\xFFFE\xD800z", "p", "az"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TXMPPacket packet;
    TXMPSchema& schema = packet.GetSchema(c.URI);
    schema.NamespaceInfo().SetPreferredPrefix(u"p");
    schema.AddProperty(u"n").WriteValue(c.Value);
    schema.NamespaceInfo().SetPreferredPrefix(c.Prefix);
    TXMPPacket back;
    ASSERT_TRUE(Load(back, Saved(packet))) << Saved(packet);
    EXPECT_EQ(Dump(back.Schema(0)), c.ReadPrefix + ":n=" + c.ReadValue + " ");
  }
}

TEST(XMPPacketTest, NestingHasALimit) {
  auto nested = [](int levels) {
    std::string open, close;
    for (int i = 0; i < levels; ++i) open += "<dc:s><rdf:Description>", close += "</rdf:Description></dc:s>";
    return Packet("<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\">" + open + "<dc:v>x</dc:v>" + close +
                  "</rdf:Description>");
  };
  TXMPPacket packet;
  ASSERT_TRUE(Load(packet, nested(MaxXMPNesting - 1)));
  const std::string before = Dump(packet);
  EXPECT_FALSE(Load(packet, nested(MaxXMPNesting)));
  EXPECT_FALSE(Load(packet, nested(10000)));
  EXPECT_EQ(Dump(packet), before);  // a refused packet leaves the tree as it was
}
