#include <gtest/gtest.h>

#include <functional>

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
// "[language]" for other values that have one, a kind letter for containers, "=" and the
// value for simple ones ("=@" for a URI).
std::string Dump(const TXMPPropertyCollection& properties) {
  std::string out;
  for (const TXMPProperty& p : properties) {
    const TXMPProperty* parent = p.ParentProperty();
    if (!parent || parent->Kind() == xpStructure)
      out += Utf16ToUtf8(p.NamespaceInfo().PreferredPrefix()) + ":" + Utf16ToUtf8(p.Name());
    else if (parent->Kind() == xpAltArray)
      out += Utf16ToUtf8(p.Name());
    if ((!parent || parent->Kind() != xpAltArray) && !p.Language().empty())
      out += "[" + Utf16ToUtf8(p.Language()) + "]";
    if (p.Kind() == xpSimple)
      out += (p.IsURI() ? "=@" : "=") + Utf16ToUtf8(p.ReadValue());
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
      {"an Alt, an item without language among its items",
       "<rdf:Description" + ns +
           "><dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">T</rdf:li><rdf:li>none</rdf:li>"
           "<rdf:li xml:lang=\"de\"></rdf:li></rdf:Alt></dc:title></rdf:Description>",
       "dc:title A{x-default=T =none de= } "},
      {"languages of values and items",
       "<rdf:Description" + ns +
           "><dc:source xml:lang=\"en\">s</dc:source><dc:subject><rdf:Bag><rdf:li xml:lang=\"fr\">m</rdf:li>"
           "</rdf:Bag></dc:subject></rdf:Description>",
       "dc:source[en]=s dc:subject B{[fr]=m } "},
      // RDF's own attributes are syntax: a reference's URI is its value, the others say nothing.
      {"references and RDF's own attributes",
       "<rdf:Description" + ns +
           "><dc:ref rdf:resource=\"uuid:1\"/><dc:d rdf:datatype=\"int\" rdf:ID=\"i\">5</dc:d>"
           "<dc:s><rdf:Description rdf:about=\"\" rdf:nodeID=\"n\" dc:f=\"1\"/></dc:s>"
           "<dc:list><rdf:Seq><rdf:li rdf:resource=\"u:2\"/></rdf:Seq></dc:list></rdf:Description>",
       "dc:ref=@uuid:1 dc:d=5 dc:s T{dc:f=1 } dc:list Q{=@u:2 } "},
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
  dc.AddProperty(u"blank").WriteValue(u"  ");  // blanks alone are kept
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
  structure[0][1].SetLanguage(u"de");
  TXMPProperty& reference = own.AddProperty(u"ref");
  reference.WriteValue(u"uuid:\"1\"");
  reference.SetIsURI(true);
  reference.SetLanguage(u"en");
  dc.AddProperty(u"plain").WriteValue(u"a\x01\xFFFE\xD800z");  // what XML has not is dropped at once
  EXPECT_EQ(dc.FindProperty(u"plain")->ReadValue(), u"az");

  TXMPPacket back;
  ASSERT_TRUE(Load(back, Saved(packet)));
  EXPECT_EQ(Dump(back), Dump(packet));
  EXPECT_EQ(Saved(back), Saved(packet));

  // A packet from elsewhere, its tree changed and written again, keeps what its text said.
  const std::string read = Packet(
      "<rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:xmpMM=\"http://ns.adobe.com/xap/1.0/mm/\">"
      "<xmpMM:DocumentID rdf:resource=\"xmp.did:1\"/><dc:source xml:lang=\"en\">s</dc:source>"
      "<dc:thumbs><rdf:Alt><rdf:li rdf:parseType=\"Resource\"><dc:w>4</dc:w></rdf:li></rdf:Alt></dc:thumbs>"
      "</rdf:Description>");
  TXMPPacket other;
  const size_t metaEnd = read.find('>');
  ASSERT_TRUE(Load(other, read.substr(0, metaEnd) + " x:xmptk=\"XMP Core 5\"" + read.substr(metaEnd)));
  other.GetSchema(KnownNamespaceURI(xsDublinCore)).AddProperty(u"new").WriteValue(u"n");
  TXMPPacket again;
  ASSERT_TRUE(Load(again, Saved(other)));
  EXPECT_EQ(Dump(again),
            "about=\nhttp://ns.adobe.com/xap/1.0/mm/ xmpMM:DocumentID=@xmp.did:1 \n"
            "http://purl.org/dc/elements/1.1/ dc:source[en]=s dc:thumbs A{ T{dc:w=4 } } dc:new=n \n");
  EXPECT_NE(Saved(other).find("<xmpMM:DocumentID rdf:resource=\"xmp.did:1\"/>"), std::string::npos);
}

// The model's rules, and the names a packet's text could not hold, refused where they are set.
TEST(XMPPacketTest, TheModelsRulesAndTheNamesItRefuses) {
  using Action = std::function<std::string(TXMPPacket&, TXMPProperty & bag)>;
  const struct Case {
    const char* Name;
    Action Act;
    std::string Result;  // what Act answers, or the error text
  } cases[] = {
      {"a Bag reads joined by commas", [](auto&, auto& bag) { return Utf16ToUtf8(bag.ReadValue()); }, "a,b,c"},
      {"a Bag is written cut at , and ;",
       [](auto&, auto& bag) {
         bag.WriteValue(u"x;y,z");
         const std::string three = Dump(bag);
         return bag.WriteValue(u"x,"), three + "|" + Dump(bag);
       },
       "=x =y =z |=x "},
      {"SetKind names a structure's fields and a Bag's items lose them",
       [](auto&, auto& bag) {
         bag.SetKind(xpStructure);
         const std::string named = Dump(bag);
         return bag.SetKind(xpBagArray), named + "|" + Dump(bag);
       },
       "dc:SubProp0=a dc:SubProp1=b dc:SubProp2=c |=a =b =c "},
      {"an Alt takes its items' languages as their names and gives them back",
       [](auto&, auto& bag) {
         bag[1].SetLanguage(u"de");
         bag.SetKind(xpAltArray);
         const std::string alt = Dump(bag);
         return bag.SetKind(xpSeqArray), alt + "|" + Dump(bag);
       },
       "SubProp0=a de=b SubProp2=c |[SubProp0]=a [de]=b [SubProp2]=c "},
      {"an Alt without x-default reads the default",
       [](auto&, auto& bag) { return bag.SetKind(xpAltArray), Utf16ToUtf8(bag.ReadValue(u"none")); }, "none"},
      {"the Dublin Core schema is found by its URI in upper case",
       [](TXMPPacket& p, auto& bag) {
         return std::string(p.FindSchema(u"HTTP://PURL.ORG/DC/ELEMENTS/1.1/") == &bag.Schema() ? "same" : "other");
       },
       "same"},
      {"a known namespace's prefix until another is set",
       [](auto&, auto&) {
         TXMPNamespaceInfo ns(xsExif);
         const std::string before = Utf16ToUtf8(ns.PreferredPrefix());
         return ns.SetPreferredPrefix(u"ex"), before + "|" + Utf16ToUtf8(ns.PreferredPrefix());
       },
       "exif|ex"},
      {"no sub-properties for a simple value", [](auto&, auto& bag) { return bag[0].AddSubProperty(u"x"), ""; },
       "Property type does not support sub-properties"},
      {"a structure's fields need names",
       [](auto&, auto& bag) { return bag.SetKind(xpStructure), bag.AddSubProperty(u""), ""; },
       "Sub-properties must be named"},
      {"a structure cannot take a single value",
       [](auto&, auto& bag) { return bag.SetKind(xpStructure), bag.WriteValue(u"v"), ""; },
       "Cannot assign a single value to a structure property"},
      {"a schema without prefix takes no properties",
       [](TXMPPacket& p, auto&) { return p.GetSchema(u"http://a/").AddProperty(u"n"), ""; },
       "The schema's PreferredPrefix property must be set before a new item can be added"},
      {"a name beginning with a digit", [](auto&, auto& bag) { return bag.SetName(u"1abc"), ""; },
       "\"1abc\" is not a valid XMP property name"},
      {"a name with a colon", [](auto&, auto& bag) { return bag.Schema().AddProperty(u"x:y"), ""; },
       "\"x:y\" is not a valid XMP property name"},
      {"a field with a blank",
       [](auto&, auto& bag) { return bag.SetKind(xpStructure), bag.AddSubProperty(u"a b"), ""; },
       "\"a b\" is not a valid XMP property name"},
      {"an Alt item's name as a field's",
       [](auto&, auto& bag) { return bag.SetKind(xpAltArray), bag[0].SetName(u"en US"), bag.SetKind(xpStructure), ""; },
       "\"en US\" is not a valid XMP property name"},
      {"RDF's own names",
       [](TXMPPacket& p, auto&) { return p.GetSchema(KnownNamespaceURI(xsRDF)).AddProperty(u"about"), ""; },
       "\"about\" is not a valid XMP property name"},
      {"a name for a Bag's item", [](auto&, auto& bag) { return bag[0].SetName(u"n"), ""; },
       "Items of a Bag or Seq have no names"},
      {"a language with a control character", [](auto&, auto& bag) { return bag[0].SetLanguage(u"e\x01"), ""; },
       "\"e\x01\" is not a valid language"},
      {"a prefix with a blank",
       [](auto&, auto& bag) { return bag.Schema().NamespaceInfo().SetPreferredPrefix(u"a b"), ""; },
       "\"a b\" is not a valid namespace prefix"},
      {"a prefix reserved by XML",
       [](auto&, auto& bag) { return bag.NamespaceInfo().Assign(TXMPNamespaceInfo(u"xmlx", u"http://a/")), ""; },
       "\"xmlx\" is not a valid namespace prefix"},
      {"rdf for another namespace",
       [](TXMPPacket& p, auto&) { return p.GetSchema(u"http://a/").NamespaceInfo().SetPreferredPrefix(u"rdf"), ""; },
       "\"rdf\" is not a valid namespace prefix"},
      {"a top-level property in another namespace",
       [](auto&, auto& bag) { return bag.NamespaceInfo().Assign(TXMPNamespaceInfo(u"o", u"http://o/")), ""; },
       "A schema's properties are in the schema's namespace"},
      {"no prefix for a namespace of no known prefix",
       [](auto&, auto& bag) { return bag.NamespaceInfo().Assign(TXMPNamespaceInfo(u"", u"http://a/")), ""; },
       "\"\" is not a valid namespace prefix"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TXMPPacket packet;
    TXMPProperty& bag = packet.GetSchema(u"http://purl.org/dc/elements/1.1/").AddProperty(u"subject");
    bag.SetKind(xpBagArray);
    bag.WriteValue(u"a,b,c");
    std::string result;
    try {
      result = c.Act(packet, bag);
    } catch (const EInvalidXMPOperation& e) {
      result = e.what();
    }
    EXPECT_EQ(result, c.Result);
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
  // Nor can the tree be built past the limit that the reader keeps.
  TXMPProperty* deepest = packet.FindSchema(xsDublinCore)->FindProperty(u"s");
  while (deepest->Kind() != xpSimple) deepest = &(*deepest)[0];
  deepest->SetKind(xpStructure);
  EXPECT_THROW(deepest->AddSubProperty(u"more"), EInvalidXMPOperation);
}

// Prefixes that only look reserved are read as any other; where the text could not declare
// them again, the packet is written with prefixes of its own.
TEST(XMPPacketTest, PrefixesThatLookReservedAreReadAndWrittenAsOthers) {
  const struct Case {
    const char* Name;
    std::string Body, Expected;
  } cases[] = {
      {"an element", "<rdf:Description xmlns:Xmlx=\"http://x/\"><Xmlx:a>1</Xmlx:a></rdf:Description>",
       "http://x/ Xmlx:a=1 \n"},
      {"an attribute", "<rdf:Description xmlns:XMLp=\"http://p/\" XMLp:a=\"2\"/>", "http://p/ XMLp:a=2 \n"},
      {"a lower-case one", "<rdf:Description xmlns:xmlq=\"http://q/\" xmlq:a=\"3\"/>", "http://q/ xmlq:a=3 \n"},
      {"rdf for another namespace", "<rdf:Description><rdf:a xmlns:rdf=\"http://r/\">4</rdf:a></rdf:Description>",
       "http://r/ rdf:a=4 \n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TXMPPacket packet;
    ASSERT_TRUE(Load(packet, Packet(c.Body)));
    EXPECT_EQ(Dump(packet), "about=\n" + c.Expected);
    packet.SetAboutAttributeValue(u"edited");
    TXMPPacket back;
    ASSERT_TRUE(Load(back, Saved(packet)));
    std::string expected = c.Expected;  // the prefix made up in place of the one read
    const size_t prefix = expected.find(' ') + 1;
    expected.replace(prefix, expected.find(':', prefix) - prefix, "ns1");
    EXPECT_EQ(Dump(back), "about=edited\n" + expected);
  }
  // Such a packet in a JPEG file is read when first asked for, without an error.
  TExifData exif;
  const std::string packet = Packet("<rdf:Description xmlns:Xmlx=\"http://x/\" Xmlx:a=\"1\"/>");
  const std::string segment = std::string(XMPSignature) + packet;
  const std::vector<uint8_t> jpeg = [&] {
    std::vector<uint8_t> out{0xFF, 0xD8, 0xFF, 0xE1, uint8_t((segment.size() + 2) >> 8), uint8_t(segment.size() + 2)};
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
  }();
  TUserMemoryStream stream(jpeg.data(), int64_t(jpeg.size()));
  exif.LoadFromJPEG(stream);
  EXPECT_EQ(exif.GetXMPPacket().SchemaCount(), 1);
}

// A packet that fails to load, for whatever reason, leaves the tree and its text as they were.
TEST(XMPPacketTest, AFailedLoadLeavesThePacketAsItWas) {
  const std::string good = "<?xpacket begin=\"\"?>" +
                           Packet(
                               "<rdf:Description rdf:about=\"good\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
                               "dc:a=\"1\"/>");
  std::string deep = "<dc:v>x</dc:v>";
  for (int i = 0; i < MaxXMPNesting; ++i) deep = "<dc:s><rdf:Description>" + deep + "</rdf:Description></dc:s>";
  // The last fails once its about value, a schema and a property of its own have been read.
  for (const std::string& bad :
       {std::string("not XML"), std::string("<x:xmpmeta><nordf/></x:xmpmeta>"),
        Packet("<rdf:Description rdf:about=\"deep\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
               "xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" xmp:b=\"2\"><dc:c>3</dc:c>" +
               deep + "</rdf:Description>")}) {
    SCOPED_TRACE(bad.substr(0, 40));
    TXMPPacket packet;
    ASSERT_TRUE(Load(packet, good));
    const std::string tree = Dump(packet), text = packet.RawXML();
    EXPECT_FALSE(Load(packet, bad));
    EXPECT_EQ(Dump(packet), tree);
    EXPECT_EQ(packet.RawXML(), text);
  }
}

// The packet's header is always the same, and names no toolkit of a program that wrote an
// earlier version of the packet.
TEST(XMPPacketTest, TheHeaderIsWrittenAsItStands) {
  const std::string header =
      "<?xpacket begin=\"\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" VmxExifVersion=\"1.1.2\">\n"
      "\t<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n";
  TXMPPacket packet;
  ASSERT_TRUE(Load(packet, "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Other 1.0\"><rdf:RDF xmlns:rdf=\"" + RDF +
                               "\"><rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" dc:a=\"1\"/>"
                               "</rdf:RDF></x:xmpmeta>"));
  packet.GetSchema(KnownNamespaceURI(xsDublinCore)).AddProperty(u"b").WriteValue(u"2");
  EXPECT_EQ(Saved(packet).substr(0, header.size()), header);
  EXPECT_TRUE(Saved(packet).ends_with("\t</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?> "));
}
