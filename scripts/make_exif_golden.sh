#!/usr/bin/env bash
# Regenerates tests/metadata/golden/exif.tsv, the values that ExifTool (Debian package
# libimage-exiftool-perl) reads from the sample JPEG files: the fields the image source
# shows, the thumbnail's place and the maker-note groups. The Exif tests compare our reader
# with this file; ExifTool is needed only to regenerate it.
#   scripts/make_exif_golden.sh [corpus folder]    (default: $LORVEX_CORPORA/jpeg, else ../shared/corpora/jpeg)
#
# The file has one "file<TAB>key<TAB>value" line per value, sorted: numbers as ExifTool gives
# them with -n, texts as they stand, and for every file a line "MakerNoteGroups" whose value
# names the maker-note groups, separated by blanks (none: empty).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CORPUS="${1:-${LORVEX_CORPORA:-$ROOT/../shared/corpora}/jpeg}"
OUT="$ROOT/tests/metadata/golden/exif.tsv"
command -v exiftool >/dev/null || { echo "exiftool is missing: apt-get install libimage-exiftool-perl" >&2; exit 1; }

TAGS=(-IFD0:Make -IFD0:Model -IFD0:ModifyDate -IFD0:ImageDescription -IFD0:Artist -IFD0:XPAuthor -IFD0:XPComment
      -IFD0:XPKeywords -IFD0:XPSubject -IFD0:XPTitle -IFD0:Orientation
      -ExifIFD:UserComment -ExifIFD:ExposureProgram -ExifIFD:ExposureTime -ExifIFD:ExposureCompensation
      -ExifIFD:Flash -ExifIFD:FNumber -ExifIFD:FocalLength -ExifIFD:FocalLengthIn35mmFormat -ExifIFD:ISO
      -ExifIFD:WhiteBalance -ExifIFD:DateTimeOriginal -ExifIFD:ExifVersion
      -GPS:GPSLatitude -GPS:GPSLongitude -GPS:GPSLatitudeRef -GPS:GPSLongitudeRef
      -IFD1:ThumbnailOffset -IFD1:ThumbnailLength)

TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
# -n gives numbers, not descriptions; -G1 names the directory of each tag.
(cd "$CORPUS" && exiftool -j -n -G1 -charset exif=utf8 "${TAGS[@]}" -- *.jpg >"$TMP/fields.json")
(cd "$CORPUS" && exiftool -j -n -G1 -MakerNotes:all -- *.jpg >"$TMP/makernotes.json")

python3 - "$TMP/fields.json" "$TMP/makernotes.json" "$OUT" <<'PY'
import json, sys
fields = {entry.pop("SourceFile"): entry for entry in json.load(open(sys.argv[1], encoding="utf-8"))}
notes = {entry["SourceFile"]: entry for entry in json.load(open(sys.argv[2], encoding="utf-8"))}
lines = []
for name, entry in fields.items():
    entry["MakerNoteGroups"] = " ".join(sorted({key.split(":")[0] for key in notes.get(name, {}) if ":" in key}))
    for key, value in entry.items():
        text = str(value)
        if any(c in text for c in "\t\r\n"):
            sys.exit(f"{name} {key}: a tab or line break in the value has no place in the golden file")
        lines.append(f"{name}\t{key}\t{text}\n")
with open(sys.argv[3], "w", encoding="utf-8", newline="\n") as out:
    out.writelines(sorted(lines))
PY
echo "wrote $OUT"
