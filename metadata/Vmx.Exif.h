// Exif data of JPEG files: the TIFF header and its directories, tags and sections, the Exif
// data object with its value classes, and camera makers' notes (parsed only when asked for);
// and the write side: setters mirrored into XMP, the Exif block and JPEG file writer.
// Reading is hardened against damaged files: sizes and offsets from a file are checked in
// 64-bit arithmetic, directory chains cannot loop, and damage ends up in load flags.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/Vmx.Exif.JPEGUtils.h"
#include "metadata/Vmx.Exif.StreamHelper.h"
#include "metadata/Vmx.Exif.XMPUtils.h"

namespace vmx {

// Days since 30 December 1899, the fraction being the time of day.
using TDateTime = double;

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int ms, TDateTime& result);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second, int& ms);

// --- exceptions ----------------------------------------------------------------------------

class EInvalidTiffData : public EVmxExifException {
 public:
  EInvalidTiffData() : Exception("Malformed TIFF data") {}
};

class EInvalidExifData : public EVmxExifException {
 public:
  EInvalidExifData() : Exception("No Exif header found") {}
};

class EInvalidMakerNoteFormat : public EVmxExifException {
 public:
  EInvalidMakerNoteFormat() : Exception("Invalid MakerNote format") {}
};

class ETagAlreadyExists : public EVmxExifException {
 public:
  explicit ETagAlreadyExists(uint16_t id)
      : Exception("Tag with ID of \"" + std::to_string(id) + "\" already exists in section") {}
};

class EIllegalEditOfExifData : public EVmxExifException {
 public:
  EIllegalEditOfExifData()
      : Exception("Illegal attempt to edit the Exif data in such a way that it would change the file structure") {}
};

class ENotOnlyASCIIError : public EVmxExifException {
 public:
  ENotOnlyASCIIError() : Exception("Tag may contain only ASCII string data") {}
};

// A block or packet larger than the 65533 bytes a JPEG segment holds.
class ESegmentTooLarge : public EVmxExifException {
 public:
  explicit ESegmentTooLarge(const std::string& what) : Exception(what + " too large for a JPEG segment") {}
};

// A maker note that cannot stay where it lay while data only its own pointers reach lies
// outside it: written elsewhere, those pointers would lie, so the block is not written.
class EMakerNoteCannotStay : public EVmxExifException {
 public:
  EMakerNoteCannotStay()
      : Exception("The maker note cannot stay where it lay, and data its pointers may reach would be lost") {}
};

// A number outside the range of its type.
class ERangeError : public Exception {
 public:
  ERangeError() : Exception("Range check error") {}
};

// --- TIFF data types and values -------------------------------------------------------------

enum TTiffDataType : uint16_t {
  tdByte = 1,
  tdAscii,
  tdWord,
  tdLongWord,
  tdLongWordFraction,
  tdShortInt,
  tdUndefined,
  tdSmallInt,
  tdLongInt,
  tdLongIntFraction,
  tdSingle,
  tdDouble,
  tdSubDirectory
};

// The element size of a TIFF type; 0 for a type outside 1..13.
int TiffElementSize(uint16_t dataType);

// A set of TIFF types, one bit per type number.
using TTiffDataTypes = uint16_t;
constexpr TTiffDataTypes TypeSet(std::initializer_list<uint16_t> types) {
  TTiffDataTypes result = 0;
  for (uint16_t t : types) result = static_cast<TTiffDataTypes>(result | (1u << t));
  return result;
}

// RATIONAL; a denominator of 0 means missing.
struct TExifRational {
  uint32_t Numerator = 0, Denominator = 0;
  bool MissingOrInvalid() const { return Denominator == 0; }
  double Quotient() const { return static_cast<double>(Numerator) / Denominator; }
};

// SRATIONAL; a denominator of 0 means missing.
struct TExifSignedRational {
  int32_t Numerator = 0, Denominator = 0;
  bool MissingOrInvalid() const { return Denominator == 0; }
  double Quotient() const { return static_cast<double>(Numerator) / Denominator; }
};

std::string RationalToString(TExifRational value);
std::string RationalToString(TExifSignedRational value);
bool TryStringToRational(std::string_view s, TExifRational& value);

// "YYYY:MM:DD HH:NN:SS"; the value 0 gives 19 blanks.
std::string DateTimeToExifString(TDateTime value);
bool TryExifStringToDateTime(std::string_view s, TDateTime& value);
// The milliseconds of a time as three digits.
std::string MillisecondsToSubsecString(TDateTime value);

// --- directories ------------------------------------------------------------------------------

enum TTiffLoadFlag : uint8_t { lfBadOffset = 1, lfCountCut = 2, lfBadEntry = 4 };
using TTiffLoadFlags = uint8_t;

// One 12-byte entry; offsets count from the TIFF header.
struct TTiffDirectoryEntry {
  int64_t EntryOffset = 0;
  int64_t DataOffset = 0;
  uint16_t TagID = 0;
  uint16_t DataType = 0;
  int32_t ElementCount = 0;  // -1 when the data would lie outside the stream

  int64_t DataSize() const { return ElementCount < 0 ? 0 : int64_t{ElementCount} * TiffElementSize(DataType); }
  bool IsValid() const { return TiffElementSize(DataType) > 0 && ElementCount >= 0; }
};

struct TTiffDirectory {
  std::vector<TTiffDirectoryEntry> Entries;
  TTiffLoadFlags LoadFlags = 0;
  // Where the next-directory pointer lies (from the TIFF header); -1 when it does not fit.
  int64_t NextPointerOffset = -1;
};

struct TTiffInfo {
  TStream* Stream = nullptr;
  int64_t StartOffset = 0;  // stream position of the TIFF header
  TByteOrder ByteOrder = boLittleEndian;
  std::vector<TTiffDirectory> Directories;  // in chain order, IFD0 first
};

// Longest directory chain followed; only the first two directories are used.
inline constexpr size_t MaxTiffDirectories = 16;

// "Exif" NUL NUL and a TIFF header mark; with MoveToTiffHeader the stream is left at the TIFF
// header, otherwise (and on failure) where it was.
bool HasExifHeader(TStream& stream, bool moveToTiffHeader);
// Reads the header at the stream's position and the chain of directories.
void LoadTiffInfo(TStream& stream, TTiffInfo& info);
void LoadTiffDirectory(const TTiffInfo& info, TTiffDirectory& directory, int64_t dataOffsetAdjust,
                       int64_t directoryOffset);

// --- tags and sections ------------------------------------------------------------------------

enum TExifSectionKind : uint8_t { esUnowned = 0, esPrimary, esExif, esInterop, esGPS, esThumbnail, esMakerNote };

class TExifSection;

// What a section asks of the Exif data object that owns it. The write side (change
// notification, the ASCII rule, the XMP mirror) hooks in here.
class IExifSectionOwner {
 public:
  virtual ~IExifSectionOwner() = default;
  virtual TExifSection& Section(TExifSectionKind kind) = 0;
  virtual void SectionChanged(TExifSection& section) = 0;
  virtual bool EnforceASCII() const = 0;
  virtual bool AlwaysWritePreciseTimes() const = 0;
  // Tag 37500 of the Exif section changed or went: a parsed maker note is stale.
  virtual void MakerNoteTagChanged() = 0;
  virtual void BeginUpdate() = 0;
  virtual void EndUpdate() = 0;
};

// Tag numbers the data object uses.
namespace ttag {
inline constexpr uint16_t ImageDescription = 270, Make = 271, Model = 272, Orientation = 274, XResolution = 282,
                          YResolution = 283, ResolutionUnit = 296, Software = 305, DateTime = 306, Artist = 315,
                          ThumbnailOffset = 513, ThumbnailLength = 514, Copyright = 33432, ExposureTime = 33434, FNumber = 33437,
                          ExifPointer = 34665, ExposureProgram = 34850, SpectralSensitivity = 34852, GPSPointer = 34853,
                          ISOSpeedRatings = 34855, ExifVersion = 36864, DateTimeOriginal = 36867,
                          DateTimeDigitized = 36868, ExposureBiasValue = 37380, Flash = 37385, FocalLength = 37386,
                          MakerNote = 37500, UserComment = 37510, SubsecTime = 37520, SubsecTimeOriginal = 37521,
                          SubsecTimeDigitized = 37522, UserRating = 18246, XPTitle = 40091, XPComment = 40092,
                          XPAuthor = 40093, XPKeywords = 40094, XPSubject = 40095, FlashPixVersion = 40960,
                          RelatedSoundFile = 40964, InteropPointer = 40965, FlashEnergy = 41483,
                          FocalPlaneXResolution = 41486, FocalPlaneYResolution = 41487,
                          FocalPlaneResolutionUnit = 41488, FileSource = 41728, SceneType = 41729, WhiteBalance = 41987,
                          FocalLengthIn35mmFilm = 41989, ImageUniqueID = 42016, Padding = 59932, OffsetSchema = 59933;
}

// One directory entry in memory; the data is held in host (little-endian) order.
class TExifTag {
 public:
  TExifTag(TExifSection* section, uint16_t id, uint16_t dataType, int32_t elementCount);
  // Reads the entry's data; an invalid entry gives an UNDEFINED tag without elements.
  TExifTag(TExifSection* section, const TTiffDirectoryEntry& entry, const TTiffInfo& info);

  uint16_t ID() const { return FID; }
  uint16_t DataType() const { return FDataType; }
  int32_t ElementCount() const { return FElementCount; }
  const uint8_t* Data() const { return FData.data(); }
  int64_t DataSize() const { return static_cast<int64_t>(FData.size()); }
  int64_t FileDataOffset() const { return FFileDataOffset; }
  int64_t FileDataSize() const { return FFileDataSize; }
  bool ReadOK() const { return FReadOK; }
  TExifSection* Section() const { return FSection; }

  // The text form: elements as comma text, ASCII as its text, UNDEFINED as hexadecimal,
  // the Windows XP text tags of IFD0 as their text.
  const std::string& AsString() const;
  // The text of element Index ('' when there is none).
  std::string ElementAsString(int32_t index) const;
  bool IsPadding() const;

  // Changes go through the section, which may refuse them (see TExifSection).
  void SetAsString(const std::string& text);
  void SetDataType(uint16_t dataType) { UpdateData(dataType, FElementCount); }
  void SetElementCount(int32_t count) { UpdateData(FDataType, count); }
  void SetID(uint16_t id);
  // New type and count; the elements that fit are kept where both types are integers.
  void UpdateData(uint16_t newType, int32_t newCount);
  // New type, count and data (in host order): what NewData holds is copied, as far as the
  // new size goes, and the rest zero-filled; a change even when the data is the same.
  void UpdateData(uint16_t newType, int32_t newCount, std::span<const uint8_t> newData);
  void Assign(const TExifTag* source);
  // The 12-byte entry (the data itself when it fits in 4 bytes, else DataOffset) and the data.
  void WriteEntry(TStream& stream, TByteOrder byteOrder, uint32_t dataOffset) const;
  void WriteData(TStream& stream, TByteOrder byteOrder) const;

 private:
  friend class TExifSection;
  void Changed();
  void Update(uint16_t newType, int32_t newCount, const std::span<const uint8_t>* newData);
  mutable std::string FAsString;
  mutable bool FAsStringValid = false;
  std::vector<uint8_t> FData;
  uint16_t FDataType;
  int32_t FElementCount;
  uint16_t FID;
  int64_t FFileDataOffset = 0;
  int64_t FFileDataSize = 0;
  bool FReadOK = true;
  TExifSection* FSection;
};

// One IFD in memory: tags kept in ascending ID order. Only an extendable section may gain
// tags, renumber them or let one grow past its size in the file (when above 4 bytes).
class TExifSection {
 public:
  // Walks the tags; removing the current tag inside the loop skips nothing.
  class TIterator {
   public:
    TIterator(const TExifSection* section, size_t index);
    TExifTag& operator*() const { return *FCurrent; }
    TExifTag* operator->() const { return FCurrent; }
    TIterator& operator++();
    bool operator!=(const TIterator& other) const { return FCurrent != other.FCurrent; }

   private:
    const TExifSection* FSection;
    size_t FIndex;
    TExifTag* FCurrent;
  };

  TExifSection(IExifSectionOwner* owner, TExifSectionKind kind) : FKind(kind), FOwner(owner) {}
  virtual ~TExifSection();
  TExifSection(const TExifSection&) = delete;
  TExifSection& operator=(const TExifSection&) = delete;

  void Load(const TTiffDirectory& directory, const TTiffInfo& info);
  void LoadFromStream(const TTiffInfo& info, int64_t dataOffsetAdjust, int64_t directoryOffset);
  void Clear();
  bool Remove(uint16_t id);

  int Count() const { return static_cast<int>(FTags.size()); }
  TExifTag& operator[](int index) const { return *FTags[static_cast<size_t>(index)]; }
  TIterator begin() const { return TIterator(this, 0); }
  TIterator end() const { return TIterator(this, FTags.size()); }
  virtual bool IsExtendable() const { return false; }

  TExifSectionKind Kind() const { return FKind; }
  TTiffLoadFlags LoadFlags() const { return FLoadFlags; }
  int64_t FileOffset() const { return FFileOffset; }
  bool Modified() const { return FModified; }
  IExifSectionOwner* Owner() const { return FOwner; }

  TExifTag* Find(uint16_t id) const;
  bool FindIndex(uint16_t id, int& index) const;
  bool TagExists(uint16_t id, TTiffDataTypes types, int32_t minCount = 1) const;

  bool TryGetByteValue(uint16_t id, int32_t index, uint8_t& value) const;
  bool TryGetWordValue(uint16_t id, int32_t index, uint16_t& value) const;
  bool TryGetLongWordValue(uint16_t id, int32_t index, uint32_t& value) const;
  bool TryGetStringValue(uint16_t id, std::string& value) const;
  bool TryGetWideStringValue(uint16_t id, std::u16string& value) const;
  std::string GetStringValue(uint16_t id, const std::string& def = {}) const;
  std::u16string GetWideStringValue(uint16_t id, const std::u16string& def = {}) const;
  TWordTagValue GetWordValue(uint16_t id, int32_t index = 0) const;
  TLongIntTagValue GetLongIntValue(uint16_t id, int32_t index = 0) const;
  TExifRational GetFractionValue(uint16_t id, int32_t index, TExifRational def = {}) const;
  TExifSignedRational GetSignedFractionValue(uint16_t id, int32_t index, TExifSignedRational def = {}) const;
  // The date-time text of tag ID, with the milliseconds of the Exif section's SubSecID tag.
  TDateTime GetDateTimeValue(uint16_t id, uint16_t subSecID, TDateTime def = 0) const;

  // Writers of one element: the tag takes the type and grows to hold the index.
  void SetByteValue(uint16_t id, int32_t index, uint8_t value, uint16_t dataType = tdByte);
  void SetWordValue(uint16_t id, int32_t index, uint16_t value);
  void SetLongWordValue(uint16_t id, int32_t index, uint32_t value);
  // A missing value (0/0) shortens or blanks the tag; type is 5 or 10.
  void SetFractionValue(uint16_t id, int32_t index, TExifRational value, uint16_t type = tdLongWordFraction);
  // An empty text removes the tag.
  void SetStringValue(uint16_t id, const std::string& value);
  void SetWideStringValue(uint16_t id, const std::u16string& value);
  // The value 0 removes the date tag; the sub-second tag of the Exif section follows.
  void SetDateTimeValue(uint16_t id, uint16_t subSecID, TDateTime value);
  void Remove(std::initializer_list<uint16_t> ids);
  bool RemovePaddingTag();
  TExifTag& AddOrUpdate(uint16_t id, uint16_t dataType, int32_t elementCount, std::span<const uint8_t> data);
  void Assign(const TExifSection& source);

 protected:
  TExifTag& Insert(uint16_t id, uint16_t dataType, int32_t elementCount);

 private:
  friend class TExifMakerNote;
  friend class TExifTag;
  void Changed();
  // The rules a tag's change must pass, told before it happens.
  void TagChanging(const TExifTag& tag, int64_t newDataSize, bool idChange, uint16_t newID);
  void TagChanged(TExifTag& tag, bool idChanged);
  void SetElement(uint16_t id, int32_t index, uint16_t dataType, const void* value, int size);
  void Delete(size_t index);

  int64_t FFileOffset = 0;
  TExifSectionKind FKind;
  TTiffLoadFlags FLoadFlags = 0;
  bool FModified = false;
  IExifSectionOwner* FOwner;
  std::vector<std::unique_ptr<TExifTag>> FTags;
};

// A section that may gain tags.
class TExtendableExifSection : public TExifSection {
 public:
  using TExifSection::TExifSection;
  bool IsExtendable() const override { return true; }
  // A new zero-filled tag; raises ETagAlreadyExists when the ID is taken.
  TExifTag& Add(uint16_t id, uint16_t dataType, int32_t elementCount) { return Insert(id, dataType, elementCount); }
};

// --- maker notes ----------------------------------------------------------------------------

class TCustomExifData;

// How a maker note's value offsets count: from the file's TIFF header, from the start of the
// maker-note data, or from a TIFF header inside the maker-note data.
enum TMakerNoteOffsetMode : uint8_t { moFromTiffHeader = 0, moFromMakerNote = 1, moFromEmbeddedHeader = 2 };

class TExifMakerNote;

// A class of maker notes as the data object keeps it: its name, its test of a maker-note tag
// (HeaderSize: the bytes before the note's IFD) and the making of an object of it, which parses
// the note. MakerNoteClassOf gives the one of a TExifMakerNote descendant.
struct TMakerNoteClassInfo {
  const char* Name;
  bool (*FormatIsOK)(const TCustomExifData& owner, const TExifTag& tag, int& headerSize);
  std::unique_ptr<TExifMakerNote> (*Create)(TCustomExifData& owner);
};
using TMakerNoteClass = const TMakerNoteClassInfo*;

// The maker note of one data object, parsed into its esMakerNote section when made. A class of
// maker notes descends from it with a static ClassName and FormatIsOK, and overrides GetIFDInfo
// where its IFD is not in the file's byte order with offsets from the TIFF header.
class TExifMakerNote {
 public:
  explicit TExifMakerNote(TCustomExifData& owner);
  virtual ~TExifMakerNote() = default;
  TExifMakerNote(const TExifMakerNote&) = delete;
  TExifMakerNote& operator=(const TExifMakerNote&) = delete;

  TMakerNoteOffsetMode OffsetMode() const { return FOffsetMode; }
  TByteOrder ByteOrder() const { return FByteOrder; }
  TExifSection& Section() const { return *FSection; }

  // Reads the IFD of the owner's maker-note tag into the section; raises
  // EInvalidMakerNoteFormat when the tag does not fit the class. Run once, by the class's Create.
  virtual void Load(TMakerNoteClass makerNoteClass);

  // The class that fits the tag: the tag must be UNDEFINED with at least 2 elements; the
  // registered classes are tried from the last registered to the first.
  static TMakerNoteClass ChooseClass(const TCustomExifData& owner, const TExifTag& tag);

 protected:
  // The byte order and offset convention of the class, which start as the file's order and
  // offsets from the TIFF header.
  virtual void GetIFDInfo(const TExifTag& tag, TByteOrder& byteOrder, TMakerNoteOffsetMode& offsetMode) const {}
  TCustomExifData& Owner() const { return FOwner; }

 private:
  TCustomExifData& FOwner;
  TMakerNoteOffsetMode FOffsetMode = moFromTiffHeader;
  TByteOrder FByteOrder = boLittleEndian;
  TExifSection* FSection;
};

template <class T>
TMakerNoteClass MakerNoteClassOf() {
  static const TMakerNoteClassInfo info{T::ClassName, &T::FormatIsOK,
                                        [](TCustomExifData& owner) -> std::unique_ptr<TExifMakerNote> {
                                          std::unique_ptr<TExifMakerNote> note = std::make_unique<T>(owner);
                                          note->Load(MakerNoteClassOf<T>());
                                          return note;
                                        }};
  return &info;
}

// The classes tried on a maker-note tag, the last registered first. The built-in ones come first,
// in this order: TNikonType2MakerNote, TCanonMakerNote, TSonyMakerNote, TNikonType1MakerNote,
// TNikonType3MakerNote, TPanasonicMakerNote; a program adds its own before it loads any data.
const std::vector<TMakerNoteClass>& MakerNoteClasses();
void RegisterMakerNoteClass(TMakerNoteClass makerNoteClass);
void UnregisterMakerNoteClass(TMakerNoteClass makerNoteClass);

// A note no class fits: never parsed.
class TUnrecognizedMakerNote : public TExifMakerNote {
 public:
  using TExifMakerNote::TExifMakerNote;
  static constexpr const char* ClassName = "TUnrecognizedMakerNote";
  static bool FormatIsOK(const TCustomExifData& owner, const TExifTag& tag, int& headerSize);
  void Load(TMakerNoteClass) override {}
};

// An IFD from the note's first byte, in the file's byte order, its offsets from the TIFF header.
class THeaderlessMakerNote : public TExifMakerNote {
 public:
  using TExifMakerNote::TExifMakerNote;
  static constexpr const char* ClassName = "THeaderlessMakerNote";
  static bool FormatIsOK(const TCustomExifData& owner, const TExifTag& tag, int& headerSize);
};

// Canon's cameras (the make "Canon"): little-endian.
class TCanonMakerNote : public THeaderlessMakerNote {
 public:
  using THeaderlessMakerNote::THeaderlessMakerNote;
  static constexpr const char* ClassName = "TCanonMakerNote";
  static bool FormatIsOK(const TCustomExifData& owner, const TExifTag& tag, int& headerSize);

 protected:
  void GetIFDInfo(const TExifTag& tag, TByteOrder& byteOrder, TMakerNoteOffsetMode& offsetMode) const override;
};

// Nikon's cameras of a make beginning "NIKON", whose note has no header.
class TNikonType2MakerNote : public THeaderlessMakerNote {
 public:
  using THeaderlessMakerNote::THeaderlessMakerNote;
  static constexpr const char* ClassName = "TNikonType2MakerNote";
  static bool FormatIsOK(const TCustomExifData& owner, const TExifTag& tag, int& headerSize);
};

// "Panasonic" and three NULs, then a little-endian IFD.
class TPanasonicMakerNote : public TExifMakerNote {
 public:
  using TExifMakerNote::TExifMakerNote;
  static constexpr const char* ClassName = "TPanasonicMakerNote";
  static bool FormatIsOK(const TCustomExifData& owner, const TExifTag& tag, int& headerSize);

 protected:
  void GetIFDInfo(const TExifTag& tag, TByteOrder& byteOrder, TMakerNoteOffsetMode& offsetMode) const override;
};

// "Nikon" NUL 01 NUL, then an IFD in the file's byte order.
class TNikonType1MakerNote : public TExifMakerNote {
 public:
  using TExifMakerNote::TExifMakerNote;
  static constexpr const char* ClassName = "TNikonType1MakerNote";
  static bool FormatIsOK(const TCustomExifData& owner, const TExifTag& tag, int& headerSize);
};

// "Nikon" NUL 02, then a TIFF header of its own at byte 10 (its "MM" or "II" says the byte
// order) whose IFD the offsets count from.
class TNikonType3MakerNote : public TExifMakerNote {
 public:
  using TExifMakerNote::TExifMakerNote;
  static constexpr const char* ClassName = "TNikonType3MakerNote";
  static bool FormatIsOK(const TCustomExifData& owner, const TExifTag& tag, int& headerSize);

 protected:
  void GetIFDInfo(const TExifTag& tag, TByteOrder& byteOrder, TMakerNoteOffsetMode& offsetMode) const override;
};

// "SONY DSC" and four bytes, then an IFD: big-endian for the model "DSLR-A100", else little-endian.
class TSonyMakerNote : public TExifMakerNote {
 public:
  using TExifMakerNote::TExifMakerNote;
  static constexpr const char* ClassName = "TSonyMakerNote";
  static bool FormatIsOK(const TCustomExifData& owner, const TExifTag& tag, int& headerSize);

 protected:
  void GetIFDInfo(const TExifTag& tag, TByteOrder& byteOrder, TMakerNoteOffsetMode& offsetMode) const override;
};

// --- value classes ---------------------------------------------------------------------------
// Each reads its owner's tags; each setter changes them and mirrors the value into the
// owner's XMP packet in its write mode.

enum TExifFlashMode : uint8_t { efUnknown, efCompulsoryFire, efCompulsorySuppression, efAuto };
enum TExifStrobeLight : uint8_t { esNoDetectionFunction, esUndetected, esDetected };

// The bits of the Flash tag (37385) and the flash energy (41483).
class TExifFlashInfo {
 public:
  explicit TExifFlashInfo(TCustomExifData& owner) : FOwner(owner) {}
  uint16_t Value() const;
  TExifRational FlashEnergy() const;
  bool IsMissing() const;
  bool Fired() const { return (Value() & 0x01) != 0; }
  TExifFlashMode Mode() const { return ModeOf(Value()); }
  bool Present() const { return (Value() & 0x20) == 0; }
  bool RedEyeReduction() const { return (Value() & 0x40) != 0; }
  TExifStrobeLight StrobeLight() const { return StrobeLightOf(Value()); }

  // 0 removes the tag; else the tag and the XMP structure exif:Flash.
  void SetValue(uint16_t value);
  void SetFlashEnergy(TExifRational value);
  void SetFired(bool value) { SetBits(0x01, value ? 0x01 : 0); }
  void SetMode(TExifFlashMode value) { SetBits(0x18, static_cast<uint16_t>(value << 3)); }
  void SetPresent(bool value) { SetBits(0x20, value ? 0 : 0x20); }
  void SetRedEyeReduction(bool value) { SetBits(0x40, value ? 0x40 : 0); }
  void SetStrobeLight(TExifStrobeLight value) {
    SetBits(0x06, value == esDetected ? 0x06 : value == esUndetected ? 0x04 : 0);
  }
  // Nil clears both values.
  void Assign(const TExifFlashInfo* source);

 private:
  static TExifFlashMode ModeOf(uint16_t value);
  static TExifStrobeLight StrobeLightOf(uint16_t value);
  void SetBits(uint16_t mask, uint16_t bits) { SetValue(static_cast<uint16_t>((Value() & ~mask) | bits)); }
  TCustomExifData& FOwner;
};

// A version number held as three or four digits in one tag.
class TCustomExifVersion {
 public:
  TCustomExifVersion(TCustomExifData& owner, TExifSectionKind section, uint16_t tagID, int firstIndex,
                     bool storeAsChars, uint16_t dataType)
      : FOwner(owner),
        FFirstIndex(firstIndex),
        FSection(section),
        FStoreAsChars(storeAsChars),
        FTagID(tagID),
        FDataType(dataType) {}
  virtual ~TCustomExifVersion() = default;
  uint8_t Major() const { return Element(0); }
  uint8_t Minor() const { return Element(1); }
  uint8_t Release() const { return Element(2); }
  // "2.20" with the user's decimal separator ("2,20"); '' when the major number is 0.
  std::string AsString() const;

  void SetMajor(uint8_t value) { SetElement(0, value); }
  void SetMinor(uint8_t value) { SetElement(1, value); }
  void SetRelease(uint8_t value) { SetElement(2, value); }
  // "2.20" or "2" (any separator); '' removes the tag. Raises ERangeError for a character that is
  // no digit.
  void SetAsString(const std::string& value);
  // Nil, or a version without major number, removes the tag.
  void Assign(const TCustomExifVersion* source);

 private:
  uint8_t Element(int offset) const;
  void SetElement(int offset, uint8_t value);
  TCustomExifData& FOwner;
  int FFirstIndex;
  TExifSectionKind FSection;
  bool FStoreAsChars;
  uint16_t FTagID;
  uint16_t FDataType;
};

class TExifVersion : public TCustomExifVersion {
 public:
  explicit TExifVersion(TCustomExifData& owner)
      : TCustomExifVersion(owner, esExif, ttag::ExifVersion, 1, true, tdUndefined) {}
};
class TFlashPixVersion : public TCustomExifVersion {
 public:
  explicit TFlashPixVersion(TCustomExifData& owner)
      : TCustomExifVersion(owner, esExif, ttag::FlashPixVersion, 1, true, tdUndefined) {}
};
class TGPSVersion : public TCustomExifVersion {
 public:
  explicit TGPSVersion(TCustomExifData& owner) : TCustomExifVersion(owner, esGPS, 0, 0, false, tdByte) {}
};
class TInteropVersion : public TCustomExifVersion {
 public:
  explicit TInteropVersion(TCustomExifData& owner) : TCustomExifVersion(owner, esInterop, 2, 1, true, tdUndefined) {}
};

// The XMP names a resolution is mirrored under (xsUnknown: none).
struct TResolutionXMPNames {
  TXMPKnownNamespace Namespace = xsUnknown;
  const char16_t *X = u"", *Y = u"", *Unit = u"";
};

// X and Y resolution with their unit.
class TCustomExifResolution {
 public:
  TCustomExifResolution(TCustomExifData& owner, TExifSectionKind section, uint16_t xTag, uint16_t yTag,
                        uint16_t unitTag, TResolutionXMPNames xmp = {})
      : FOwner(owner), FSection(section), FXTag(xTag), FYTag(yTag), FUnitTag(unitTag), FXMP(xmp) {}
  virtual ~TCustomExifResolution() = default;
  TExifRational XResolution() const;
  TExifRational YResolution() const;
  uint16_t ResolutionUnit() const;  // 1 when missing
  bool IsMissing() const;

  void SetXResolution(TExifRational value) { SetFraction(FXTag, FXMP.X, value); }
  void SetYResolution(TExifRational value) { SetFraction(FYTag, FXMP.Y, value); }
  void SetResolutionUnit(uint16_t value);
  // Nil, or a missing resolution, removes the three tags.
  void Assign(const TCustomExifResolution* source);

 private:
  void SetFraction(uint16_t tag, const char16_t* xmpName, TExifRational value);
  TCustomExifData& FOwner;
  TExifSectionKind FSection;
  uint16_t FXTag, FYTag, FUnitTag;
  TResolutionXMPNames FXMP;
};

class TImageResolution : public TCustomExifResolution {
 public:
  explicit TImageResolution(TCustomExifData& owner)
      : TCustomExifResolution(owner, esPrimary, 282, 283, 296,
                              {xsTIFF, u"XResolution", u"YResolution", u"ResolutionUnit"}) {}
};
class TFocalPlaneResolution : public TCustomExifResolution {
 public:
  explicit TFocalPlaneResolution(TCustomExifData& owner)
      : TCustomExifResolution(
            owner, esExif, 41486, 41487, 41488,
            {xsExif, u"FocalPlaneXResolution", u"FocalPlaneYResolution", u"FocalPlaneResolutionUnit"}) {}
};
class TThumbnailResolution : public TCustomExifResolution {
 public:
  explicit TThumbnailResolution(TCustomExifData& owner) : TCustomExifResolution(owner, esThumbnail, 282, 283, 296) {}
};

// Tag 34855, which counts only as SHORT or SBYTE.
class TISOSpeedRatings {
 public:
  explicit TISOSpeedRatings(TCustomExifData& owner) : FOwner(owner) {}
  std::string AsString() const;
  bool IsMissing() const;
  // The source's values as SHORT; nil, or a missing source, removes the tag.
  void Assign(const TISOSpeedRatings* source);

 private:
  TCustomExifData& FOwner;
};

// A GPS latitude or longitude (tags 2, 4, 20, 22 with their reference tags 1, 3, 19, 21).
class TGPSCoordinate {
 public:
  TGPSCoordinate(TCustomExifData& owner, uint16_t tagID) : FOwner(owner), FRefTagID(tagID - 1), FTagID(tagID) {}
  virtual ~TGPSCoordinate() = default;
  TExifRational Degrees() const { return Element(0); }
  TExifRational Minutes() const { return Element(1); }
  TExifRational Seconds() const { return Element(2); }
  char Direction() const;  // upper-cased hemisphere letter, NUL when missing
  // "51,30,15N", or "51,30.5N" without seconds; '' without degrees or minutes.
  std::string AsString() const;

  // NUL removes the reference tag.
  void SetDirection(char value);
  // A coordinate of the same kind is copied; anything else removes this one.
  void Assign(const TGPSCoordinate* source);

 private:
  TExifRational Element(int index) const;
  TCustomExifData& FOwner;
  uint16_t FRefTagID;
  uint16_t FTagID;
};

class TGPSLatitude : public TGPSCoordinate {
 public:
  using TGPSCoordinate::TGPSCoordinate;
};
class TGPSLongitude : public TGPSCoordinate {
 public:
  using TGPSCoordinate::TGPSCoordinate;
};

// The XMP name of a GPS tag; '' for a tag without one.
std::u16string GPSTagName(uint16_t tag);
bool FindGPSTagName(uint16_t tag, std::u16string& name);

// --- the Exif data object --------------------------------------------------------------------

enum TTiffOrientation : uint8_t {
  toUndefined,
  toTopLeft,
  toTopRight,
  toBottomRight,
  toBottomLeft,
  toLeftTop,
  toRightTop,
  toRightBottom,
  toLeftBottom
};
enum TWindowsStarRating : uint8_t { urUndefined, urOneStar, urTwoStars, urThreeStars, urFourStars, urFiveStars };
enum TExifFileSource : uint8_t { fsUnknown, fsFilmScanner, fsReflectionPrintScanner, fsDigitalCamera };
enum TExifSceneType : uint8_t { esUnknown, esDirectlyPhotographed };
enum TGPSAltitudeRef : uint8_t { alTagMissing, alAboveSeaLevel, alBelowSeaLevel };
enum TGPSStatus : uint8_t { stMissingOrInvalid, stMeasurementActive, stMeasurementVoid };
enum TGPSMeasureMode : uint8_t { mmUnknown, mm2D, mm3D };
enum TGPSSpeedRef : uint8_t { srMissingOrInvalid, srKilometresPerHour, srMilesPerHour, srKnots };
enum TGPSDirectionRef : uint8_t { drMissingOrInvalid, drTrueNorth, drMagneticNorth };
enum TGPSDistanceRef : uint8_t { dkMissingOrInvalid, dkKilometres, dkMiles, dkKnots };

// The APP1 kinds met while loading a JPEG file.
enum TJPEGSegmentKind : uint8_t { jsExif = 1, jsXMP = 2 };

// The XMP packet of a data object, which tells its owner when it has been changed.
class TContainedXMPPacket : public TXMPPacket {
 public:
  explicit TContainedXMPPacket(TCustomExifData& owner) : FOwner(owner) { WriteMode = xmUpdateExisting; }

 protected:
  void Changed(bool resetRawXML) override;

 private:
  TCustomExifData& FOwner;
};

// The Exif metadata of one image: six sections, the value objects over them, the maker
// note (classified on load, parsed on first request) and the thumbnail as bytes. The XMP
// segment is kept as raw bytes until the packet is first asked for. Loading never reports
// a change.
class TCustomExifData : public IExifSectionOwner, public TPersistent {
 public:
  TCustomExifData() : TCustomExifData(false) {}
  ~TCustomExifData() override;
  TCustomExifData(const TCustomExifData&) = delete;
  TCustomExifData& operator=(const TCustomExifData&) = delete;

  // Loads the Exif and XMP APP1 segments of a JPEG stream (only those of Segments, a set of
  // TJPEGSegmentKind: the walk ends once they are taken); raises EInvalidJPEGHeader when the
  // stream does not start with SOI. A file cut short keeps what was read before the cut.
  void LoadFromJPEG(TStream& stream, uint8_t segments = jsExif | jsXMP);
  // Loads an "Exif" NUL NUL block at the stream's position.
  virtual void LoadFromExifStream(TStream& stream);
  virtual void Clear(bool xmpToo = true);
  virtual bool Empty() const;
  // Copies the sections of Source, kind by kind, inside one update bracket.
  virtual void Assign(const TCustomExifData* source);
  // The published options: AlwaysWritePreciseTimes, EnforceASCII, EnsureEnumsInRange.
  void describe(TPropertyVisitor& visitor) override;

  void BeginUpdate() override { ++FUpdateCount; }
  void EndUpdate() override;
  void Changed();
  bool Modified() const { return FModified; }
  void SetModified(bool value);
  std::function<void()> OnChange;

  // IExifSectionOwner
  TExifSection& Section(TExifSectionKind kind) override;
  void SectionChanged(TExifSection& section) override;
  bool EnforceASCII() const override { return FEnforceASCII; }
  bool AlwaysWritePreciseTimes() const override { return FAlwaysWritePreciseTimes; }
  void MakerNoteTagChanged() override { ResetMakerNote(); }

  // The section of a kind; asking for esMakerNote parses the maker note first.
  TExifSection& GetSection(TExifSectionKind kind);
  // The section as it stands, without parsing anything.
  const TExifSection& PeekSection(TExifSectionKind kind) const { return *FSections[kind - 1]; }

  // The six sections in the order of their kinds, esPrimary to esMakerNote, as they stand:
  // for (TExifSection& section : exif) parses nothing.
  template <class Section>
  class TSectionIterator {
   public:
    TSectionIterator(const TCustomExifData& data, int kind) : FData(data), FKind(kind) {}
    Section& operator*() const { return *FData.FSections[static_cast<size_t>(FKind - 1)]; }
    TSectionIterator& operator++() { return ++FKind, *this; }
    bool operator!=(const TSectionIterator& other) const { return FKind != other.FKind; }

   private:
    const TCustomExifData& FData;
    int FKind;
  };
  TSectionIterator<TExifSection> begin() { return {*this, esPrimary}; }
  TSectionIterator<TExifSection> end() { return {*this, esMakerNote + 1}; }
  TSectionIterator<const TExifSection> begin() const { return {*this, esPrimary}; }
  TSectionIterator<const TExifSection> end() const { return {*this, esMakerNote + 1}; }

  TMakerNoteClass MakerNoteClass() const { return FMakerNoteClass; }
  TExifMakerNote& GetMakerNote();
  bool MakerNoteParsed() const { return FMakerNote != nullptr; }
  void ResetMakerNote();

  bool EnsureEnumsInRange = true;
  void SetEnforceASCII(bool value) { FEnforceASCII = value; }
  void SetAlwaysWritePreciseTimes(bool value) { FAlwaysWritePreciseTimes = value; }
  TByteOrder ByteOrder() const { return FByteOrder; }
  int64_t OffsetBase() const { return FOffsetBase; }
  uint8_t FoundSegments() const { return FFoundSegments; }
  // The XMP APP1 segment (signature and packet) as found; empty when none.
  const std::vector<uint8_t>& XMPSegmentData() const { return FXMPSegmentData; }
  // The packet, read from the XMP segment on the first call. A segment that is no packet
  // leaves it empty (OnLoadError is told); such a segment is never written over.
  TXMPPacket& GetXMPPacket();
  // The packet the setters mirror their values into. When the XMP segment is no packet, their
  // changes cannot be made: XMPChangesLost tells so from then on, and a save keeps the
  // segment as it was.
  TXMPPacket& XMPMirror();
  bool XMPChangesLost() const { return FXMPChangesLost; }
  TXMPWriteMode XMPWriteMode() const { return FXMPPacket.WriteMode; }
  void SetXMPWriteMode(TXMPWriteMode value) { FXMPPacket.WriteMode = value; }
  int64_t XMPSegmentOffset() const { return FXMPSegmentOffset; }
  int64_t XMPSegmentSize() const { return FXMPSegmentSize; }

  // Readers of IFD0.
  std::string CameraMake() const { return ShownText(esPrimary, ttag::Make); }
  std::string CameraModel() const { return ShownText(esPrimary, ttag::Model); }
  std::string Copyright() const { return ShownText(esPrimary, ttag::Copyright); }
  TDateTime DateTime() const { return Peek(esPrimary).GetDateTimeValue(ttag::DateTime, ttag::SubsecTime); }
  std::string ImageDescription() const { return ShownText(esPrimary, ttag::ImageDescription); }
  TTiffOrientation Orientation() const { return ReadOrientation(esPrimary); }
  std::string Software() const { return ShownText(esPrimary, ttag::Software); }
  std::u16string Author() const;
  std::u16string Comments() const;
  std::u16string Keywords() const { return ShownWideText(esPrimary, ttag::XPKeywords); }
  std::u16string Subject() const { return ShownWideText(esPrimary, ttag::XPSubject); }
  std::u16string Title() const { return ShownWideText(esPrimary, ttag::XPTitle); }
  TWindowsStarRating UserRating() const;
  // Readers of the Exif section.
  TDateTime DateTimeOriginal() const {
    return Peek(esExif).GetDateTimeValue(ttag::DateTimeOriginal, ttag::SubsecTimeOriginal);
  }
  TDateTime DateTimeDigitized() const {
    return Peek(esExif).GetDateTimeValue(ttag::DateTimeDigitized, ttag::SubsecTimeDigitized);
  }
  TExifFileSource FileSource() const;
  TExifSceneType SceneType() const;
  std::string ImageUniqueID() const { return ShownText(esExif, ttag::ImageUniqueID); }
  std::string RelatedSoundFile() const { return ShownText(esExif, ttag::RelatedSoundFile); }
  std::string SpectralSensitivity() const { return ShownText(esExif, ttag::SpectralSensitivity); }
  std::string SubsecTime() const { return ShownText(esExif, ttag::SubsecTime); }
  std::string SubsecTimeOriginal() const { return ShownText(esExif, ttag::SubsecTimeOriginal); }
  std::string SubsecTimeDigitized() const { return ShownText(esExif, ttag::SubsecTimeDigitized); }
  TExifRational GetExifFraction(uint16_t tag) const { return Peek(esExif).GetFractionValue(tag, 0); }
  TExifSignedRational GetExifSignedFraction(uint16_t tag) const { return Peek(esExif).GetSignedFractionValue(tag, 0); }
  TWordTagValue GetFocalLengthIn35mmFilm() const { return Peek(esExif).GetWordValue(ttag::FocalLengthIn35mmFilm); }
  // The raw 16-bit value, -1 when missing (or out of range with EnsureEnumsInRange).
  int32_t GetExposureProgram() const;
  int32_t GetWhiteBalanceMode() const;
  TLongIntTagValue GetOffsetSchema() const { return Peek(esExif).GetLongIntValue(ttag::OffsetSchema); }
  // Interoperability and GPS.
  std::string InteropTypeName() const { return ShownText(esInterop, 1); }
  TGPSAltitudeRef GPSAltitudeRef() const;
  std::string GPSSatellites() const { return ShownText(esGPS, 8); }
  TGPSStatus GPSStatus() const { return static_cast<TGPSStatus>(GPSReference(9, "AV")); }
  TGPSMeasureMode GPSMeasureMode() const { return static_cast<TGPSMeasureMode>(GPSReference(10, "23")); }
  TGPSSpeedRef GPSSpeedRef() const { return static_cast<TGPSSpeedRef>(GPSReference(12, "KMN")); }
  TGPSDirectionRef GPSTrackRef() const { return static_cast<TGPSDirectionRef>(GPSReference(14, "TM")); }
  TGPSDirectionRef GPSImgDirectionRef() const { return static_cast<TGPSDirectionRef>(GPSReference(16, "TM")); }
  std::string GPSMapDatum() const { return ShownText(esGPS, 18); }
  TGPSDirectionRef GPSDestBearingRef() const { return static_cast<TGPSDirectionRef>(GPSReference(23, "TM")); }
  TGPSDistanceRef GPSDestDistanceRef() const { return static_cast<TGPSDistanceRef>(GPSReference(25, "KMN")); }
  std::string GPSDateStamp() const { return ShownText(esGPS, 29); }
  TDateTime GPSDateTimeUTC() const;
  TTiffOrientation ThumbnailOrientation() const { return ReadOrientation(esThumbnail); }

  // Writers: each changes its tags and mirrors the value into the XMP packet, in the
  // packet's write mode. An empty value (0 for dates and enumerations) removes both.
  void SetCameraMake(const std::string& value);
  void SetCameraModel(const std::string& value);
  void SetCopyright(const std::string& value);
  void SetDateTime(TDateTime value);
  void SetImageDescription(const std::string& value);
  void SetOrientation(TTiffOrientation value) { WriteOrientation(esPrimary, value); }
  void SetSoftware(const std::string& value);
  // ASCII text goes to tag 315 when that is there (and to 40093 only when that is too).
  void SetAuthor(const std::u16string& value);
  // Tag 40092, and the UNICODE form of 37510 when that is there.
  void SetComments(const std::u16string& value);
  void SetKeywords(const std::u16string& value);
  void SetSubject(const std::u16string& value);
  void SetTitle(const std::u16string& value);
  void SetUserRating(TWindowsStarRating value);
  void SetDateTimeOriginal(TDateTime value);
  void SetDateTimeDigitized(TDateTime value);
  void SetFileSource(TExifFileSource value);
  void SetImageUniqueID(const std::string& value);
  void SetRelatedSoundFile(const std::string& value);
  void SetSceneType(TExifSceneType value);
  void SetSpectralSensitivity(const std::string& value);
  void SetSubsecTime(const std::string& value) { Section(esExif).SetStringValue(ttag::SubsecTime, value); }
  void SetSubsecTimeOriginal(const std::string& value) {
    Section(esExif).SetStringValue(ttag::SubsecTimeOriginal, value);
  }
  void SetSubsecTimeDigitized(const std::string& value) {
    Section(esExif).SetStringValue(ttag::SubsecTimeDigitized, value);
  }
  void SetInteropTypeName(const std::string& value) { Section(esInterop).SetStringValue(1, value); }
  void SetGPSAltitudeRef(TGPSAltitudeRef value);
  void SetGPSSatellites(const std::string& value) { WriteGPSText(8, value); }
  void SetGPSStatus(TGPSStatus value) { WriteGPSReference(9, "AV", value); }
  void SetGPSMeasureMode(TGPSMeasureMode value) { WriteGPSReference(10, "23", value); }
  void SetGPSSpeedRef(TGPSSpeedRef value) { WriteGPSReference(12, "KMN", value); }
  void SetGPSTrackRef(TGPSDirectionRef value) { WriteGPSReference(14, "TM", value); }
  void SetGPSImgDirectionRef(TGPSDirectionRef value) { WriteGPSReference(16, "TM", value); }
  void SetGPSMapDatum(const std::string& value) { WriteGPSText(18, value); }
  void SetGPSDestBearingRef(TGPSDirectionRef value) { WriteGPSReference(23, "TM", value); }
  void SetGPSDestDistanceRef(TGPSDistanceRef value) { WriteGPSReference(25, "KMN", value); }
  // Tag 29 takes the date, tag 7 the time of day (whole seconds).
  void SetGPSDateTimeUTC(TDateTime value);
  void SetGPSDateStamp(const std::string& value) { Section(esGPS).SetStringValue(29, value); }
  void SetThumbnailOrientation(TTiffOrientation value) { WriteOrientation(esThumbnail, value); }

  // The value objects.
  TExifVersion ExifVersion{*this};
  TFlashPixVersion FlashPixVersion{*this};
  TGPSVersion GPSVersion{*this};
  TGPSLatitude GPSLatitude{*this, 2};
  TGPSLongitude GPSLongitude{*this, 4};
  TGPSLatitude GPSDestLatitude{*this, 20};
  TGPSLongitude GPSDestLongitude{*this, 22};
  TExifFlashInfo Flash{*this};
  TFocalPlaneResolution FocalPlaneResolution{*this};
  TInteropVersion InteropVersion{*this};
  TISOSpeedRatings ISOSpeedRatings{*this};
  TImageResolution Resolution{*this};
  TThumbnailResolution ThumbnailResolution{*this};

  // The offset of the thumbnail JPEG (from the TIFF header) when IFD1 names one; with a
  // stream, only when 20 bytes starting with FF D8 lie there.
  bool GetThumbnailOffset(TStream* stream, int64_t& offset) const;

 protected:
  // Sections of a TExifData may gain tags; those of a plain TCustomExifData may not.
  explicit TCustomExifData(bool extendableSections);
  const TExifSection& Peek(TExifSectionKind kind) const { return *FSections[kind - 1]; }

 private:
  // A text value as it is shown: as UTF-8, read by the rule for 8-bit texts from outside, and
  // without the blanks that pad some cameras' fields.
  std::string ShownText(TExifSectionKind kind, uint16_t id) const;
  std::u16string ShownWideText(TExifSectionKind kind, uint16_t id) const;
  TTiffOrientation ReadOrientation(TExifSectionKind kind) const;
  int GPSReference(uint16_t tag, std::string_view letters) const;
  bool LoadSubDirectory(const TTiffInfo& info, TExifSectionKind from, uint16_t pointerTag, TExifSectionKind kind);
  void FinishLoading();
  void WriteText(TExifSectionKind kind, uint16_t tag, const std::string& value, TXMPKnownNamespace ns,
                 const char16_t* xmpName, TXMPPropertyKind xmpKind = xpSimple);
  void WriteOrientation(TExifSectionKind kind, TTiffOrientation value);
  void WriteGPSText(uint16_t tag, const std::string& value);
  void WriteGPSReference(uint16_t tag, std::string_view letters, int value);
  friend class TContainedXMPPacket;
  friend class TExifData;

  bool FAlwaysWritePreciseTimes = false;
  bool FChangedWhileUpdating = false;
  TByteOrder FByteOrder = boLittleEndian;
  bool FEnforceASCII = true;
  TMakerNoteClass FMakerNoteClass = MakerNoteClassOf<TUnrecognizedMakerNote>();
  std::unique_ptr<TExifMakerNote> FMakerNote;
  int64_t FOffsetBase = 0;
  bool FModified = false;
  std::array<std::unique_ptr<TExifSection>, 6> FSections;
  int FUpdateCount = 0;
  uint8_t FFoundSegments = 0;
  std::vector<uint8_t> FXMPSegmentData;
  int64_t FXMPSegmentOffset = 0;
  int64_t FXMPSegmentSize = 0;
  TContainedXMPPacket FXMPPacket{*this};
  bool FXMPPending = false;     // the segment is not parsed yet
  bool FXMPReading = false;     // the segment is being parsed: no change of the packet
  bool FXMPChanged = false;     // the packet changed since it was read
  bool FXMPUnreadable = false;  // the segment is no packet
  bool FXMPChangesLost = false; // a setter could not mirror its value into it
};

// Scales a JPEG image to Width x Height pixels and encodes it with Quality (1..100); raises
// an Exception when the data cannot be decoded. metadata/jpeg offers one over libjpeg.
using TThumbnailScaler =
    std::function<std::vector<uint8_t>(std::span<const uint8_t> jpeg, int width, int height, int quality)>;

// The size a thumbnail is scaled to: at most 160 x 120 pixels, its aspect ratio kept.
void StandardThumbnailSize(int width, int height, int& newWidth, int& newHeight);

// The data object the program uses: adds the thumbnail, held as the bytes of its JPEG data
// (never decoded while reading), and the writer of Exif blocks and JPEG files.
class TExifData : public TCustomExifData, public IStreamPersist {
 public:
  TExifData() : TCustomExifData(true) {}
  // Opens the file read-only with full sharing and loads it.
  void LoadFromFile(const std::string& fileName);
  // Replaces the tags and the thumbnail with those of the Exif block at the stream's position
  // (the XMP packet stays). What does not begin as an Exif block is refused before anything
  // is dropped.
  void LoadFromStream(TStream& stream) override;
  void LoadFromExifStream(TStream& stream) override;
  void Clear(bool xmpToo = true) override;
  bool Empty() const override;
  // Also takes the thumbnail of a TExifData; other sources without thumbnail IFD drop it.
  void Assign(const TCustomExifData* source) override;

  const std::vector<uint8_t>& Thumbnail() const { return FThumbnail; }
  bool HasThumbnail() const { return !FThumbnail.empty(); }
  // Replaces the thumbnail bytes; reports a change only when they differ. Width and
  // height tags (256, 257) of the thumbnail IFD, where present, follow the new image.
  void SetThumbnail(std::vector<uint8_t> bytes);
  // A thumbnail larger than 160 x 120 pixels is scaled down to fit (ThumbnailScaler).
  void StandardizeThumbnail();
  void RemovePaddingTags();

  // Writes the Exif block ("Exif" NUL NUL and a TIFF structure) at the stream's position.
  // A thumbnail above 61440 bytes is first scaled to fit 160 x 120 at quality 90.
  void SaveToStream(TStream& stream) override;
  // Adds RemovePaddingTagsOnSave, and the Exif block as the binary property Data (written
  // when the object is not empty; reading it is LoadFromStream).
  void describe(TPropertyVisitor& visitor) override;
  // Copies the JPEG stream Source to Dest with this object's Exif block in place of the
  // old one (new: after SOI and any APP0 segment; none when this object is empty), and a
  // changed XMP packet in place of the old XMP segment (new: after the Exif segment).
  // Answers false when setters' XMP changes could not be made (XMPChangesLost): the old
  // XMP segment is then written as it was.
  bool SaveToJPEG(TStream& source, TStream& dest);
  // The same over a file: the new file is written beside the old one and takes its place
  // only when it reads back as written. Raises EInOutError when it cannot.
  bool SaveToJPEGFile(const std::string& fileName);

  bool RemovePaddingTagsOnSave = true;
  TThumbnailScaler ThumbnailScaler;

 private:
  struct TBlockLayout;
  struct TJPEGPlan;
  void LoadThumbnail(TStream& stream);
  void RecodeThumbnail(int quality);
  TBlockLayout PlanBlock();
  void WriteBlock(TStream& stream, const TBlockLayout& layout) const;
  TJPEGPlan PlanJPEG(TStream& source);
  void WriteJPEG(TStream& source, TStream& dest, const TJPEGPlan& plan) const;
  bool ReadsBackAs(const std::string& fileName, const std::vector<uint8_t>& xmpSegment) const;
  std::vector<uint8_t> FThumbnail;
  std::optional<std::vector<uint8_t>> FOtherThumbnail;  // what IFD1 points at when it is no whole JPEG
  // The bytes of the block read that none of its directories, values or thumbnail holds, by
  // offset: what a maker note's own pointers may reach, kept in place with the maker note.
  std::vector<std::pair<int64_t, std::vector<uint8_t>>> FLooseData;
  void FindLooseData(TStream& stream);
};

}  // namespace vmx
