#!/usr/bin/env python3
"""Writes seed inputs for every fuzz target into OUT/<target>/: the samples in each target's input form,
and small files that reach the readers' deeper paths. The committed corpora under fuzz/corpus/ are these
seeds and what fuzzing found, minimised with -merge=1. Usage: [KWDUMP=path/to/kwdump] fuzz/make_seeds.py OUT
(with KWDUMP, the STADAF samples' file sets for kwdump carry the index cache that kwdump writes)."""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SAMPLES = os.path.join(ROOT, "samples")
STAMP = b"20260115093000"  # TFuzzFolder::kStampText


def sample(name):
    with open(os.path.join(SAMPLES, name), "rb") as f:
        return f.read()


def part(data):
    return struct.pack("<I", len(data)) + data


def i32(*values):
    return b"".join(struct.pack("<i", v) for v in values)


def layout(fields, converter=b""):
    text = b"[Converter]\r\n" + converter + b"[FIELDDESCRIPTIONS]\r\n"
    return text + b"".join(f + b"\r\n" for f in fields)


# ---- layout files -----------------------------------------------------------------------------------
def layout_seeds():
    yield "fares", sample("fares.ini")
    yield "routes", sample("routes.ini")
    yield "converter", layout([b"A, 3"], b"AUTOMATOR=true\r\nANALYZEROUTING=TRUE\r\nSTARTNUMBER=$1F\r\n"
                              b"BASIS=x\r\nFILENAME=other.rff\r\nBINARYLENGTHINDICATOR=TRUE\r\nnoequals\r\n")
    yield "kinds", layout([b"FIX, 12", b"VAR, -3", b"VVAR, -40000", b"VIRT, 32773", b"MEMO_A, 8",
                           b"REMARK, 8, M", b"ZERO, 0", b"BIG, 70000", b" SP ACE , 4 "])
    yield "lowercase_lone_cr", b"[converter]\rBINARYLENGTHINDICATOR=TRUE\r[fielddescriptions]\rA, -2\r\rB,3\n"
    yield "duplicate", layout([b"A, 3", b"a, 4", b"B, 5"])
    yield "bad_lines", layout([b"A, 3", b";comment"]) + b"[FIELDDESCRIPTIONS]\r\nX, 1\r\n"
    yield "bad_size", layout([b"A, x3"])
    yield "sum_wraps", layout([b"A, 2147483647", b"B, 2147483647", b"C, 3"])
    yield "long_name", layout([b"N" * 300 + b", 5"])
    yield "many_fields", layout([b"F%d, %d" % (i, 1 + i % 400) for i in range(2000)])


# ---- RFC files ----------------------------------------------------------------------------------------
def rfc_seeds():
    yield "fares", sample("fares.rfc")
    yield "lone", sample("lone.rfc")
    line = b"T000000000101LH Y     JFK T000000000202UA Y     FRA OJ1   N     "
    yield "short_first_line", line[:40] + b"\r\n" + (line + b"\r\n") * 3
    yield "long_first_line", line * 3 + b"\r\n" + line + b"\r\n"
    yield "no_line_end", line * 4
    yield "lf_only", (line + b"\n") * 3
    yield "cr_only", (line + b"\r") * 3
    yield "empty_first_line", b"\r\n" + line + b"\r\n"
    yield "partial_last", (line + b"\r\n") * 2 + line[:20]


# ---- record-type index caches -------------------------------------------------------------------------
def cache(entries, stamp=STAMP, count=None):
    data = i32(len(stamp)) + stamp + i32(len(entries) if count is None else count)
    for key, offsets in entries:
        payload = i32(*offsets)
        data += i32(len(key)) + key + i32(len(payload)) + payload
    return data


def index_cache_seeds():
    yield "types", cache([(b"1", [100, 200, 300]), (b"2", [150]), (b"4", [250, 260]), (b"5", [270])])
    yield "empty_stamp", cache([(b"1", [0, 10])], stamp=b"")
    yield "other_stamp", cache([(b"1", [0])], stamp=b"20260115093002")
    yield "type_zero", cache([(b"0", [5]), (b"3", [7])])
    yield "repeated_key", cache([(b"1", [1]), (b"1", [2, 3])])
    yield "no_entries", cache([])
    yield "truncated", cache([(b"1", [100, 200, 300])])[:-6]
    yield "count_past_end", cache([(b"1", [1])], count=1000)
    yield "negative_count", cache([(b"1", [1])], count=-1)
    yield "offset_outside", cache([(b"1", [1 << 21]), (b"2", [-4])])
    bad_bytes = i32(14) + STAMP + i32(1) + i32(1) + b"1" + i32(6) + b"\0" * 6
    yield "bytes_not_whole_offsets", bad_bytes
    huge = i32(14) + STAMP + i32(1) + i32(1) + b"1" + i32(0x7FFFFFFC) + i32(1, 2)
    yield "huge_byte_count", huge
    yield "huge_key", i32(14) + STAMP + i32(1) + i32(0x7FFFFFFF) + b"1"
    yield "negative_stamp", i32(-5) + STAMP


def wide_cache(entries, stamp=STAMP, size=1 << 40, magic=b"KWOF64\r\n"):
    data = magic + i32(len(stamp)) + stamp + struct.pack("<q", size) + i32(len(entries))
    for key, offsets in entries:
        runs = []
        for index, offset in enumerate(offsets):
            if not runs or runs[-1][1] != offset >> 32:
                runs.append((index, offset >> 32))
        data += i32(len(key)) + key + i32(len(offsets), len(runs))
        for first, high in runs:
            data += struct.pack("<iI", first, high)
        data += b"".join(struct.pack("<I", offset & 0xFFFFFFFF) for offset in offsets)
    return data


def index_cache_wide_seeds():
    yield "types", wide_cache([(b"1", [100, 1 << 31, (1 << 32) + 5, 7 << 32]), (b"2", []), (b"4", [(1 << 40) - 9])])
    yield "one_run", wide_cache([(b"3", [10, 20, 30])])
    yield "other_size", wide_cache([(b"1", [10])], size=1 << 33)
    yield "other_magic", wide_cache([(b"1", [10])], magic=b"KWOF65\r\n")
    yield "truncated", wide_cache([(b"1", [100, 1 << 33])])[:-3]
    yield "offset_outside", wide_cache([(b"1", [1 << 41])])
    yield "falling", wide_cache([(b"1", [1 << 33, 5])])


# ---- RFF file sets: layout part, memo part, records -----------------------------------------------------
def rff_set(ini, memo, records):
    return part(ini) + part(memo) + records


def rff_memo_seeds():
    yield "fares", rff_set(sample("fares.ini"), sample("fares.rfm"), sample("fares.rff"))
    yield "routes", rff_set(sample("routes.ini"), b"", sample("routes.rff"))
    memo = b"first text\0second text\0"
    records = b"AB00000000\r\nCD0000000B\r\nEF000000FF\r\nGH00000\r\n"
    yield "memo_offsets", rff_set(layout([b"K, 2", b"MEMO_T, 8"]), memo, records)
    yield "memo_missing", rff_set(layout([b"K, 2", b"MEMO_T, 8"]), b"", records)
    yield "memo_not_hex", rff_set(layout([b"K, 2", b"MEMO_T, 8"]), memo, b"ABxyz12345\r\n")
    yield "subname_memo", rff_set(layout([b"SUBMEMO, 10", b"R, 2, M"]), memo, b"0123456789AB\r\n")
    wide = layout([b"W, 400", b"MEMO_X, 4"])
    yield "wide_field", rff_set(wide, b"x\0", b"w" * 100 + b"\0" + b"w" * 299 + b"0000\r\n")
    yield "variable", rff_set(layout([b"V, -3", b"A, 2"], b"BINARYLENGTHINDICATOR=TRUE\r\n"), b"",
                              b"\x03abcXY\r\n")
    yield "virtual", rff_set(layout([b"A, 2", b"VIRT, 32773", b"VV, -40000"]), b"", b"ab\r\n" * 4)
    yield "no_layout", rff_set(b"", b"", b"abc\r\n")
    yield "partial_record", rff_set(layout([b"A, 5"]), b"", b"12345\r\n123")
    yield "sum_wraps", rff_set(layout([b"A, 2147483647", b"B, 2147483647", b"C, 3"]), b"", b"abc\r\n")
    # 32,769 fields of 65,535 bytes: the record size passes 2^31, which the reader must refuse.
    chars = [c for c in range(0x21, 0x7F) if c not in b", [" and not 0x61 <= c <= 0x7A]
    names = [bytes([a, b, c]) for a in b"ABCDEFGHIJKLMNOPQRSTUVWXYZ" for b in chars for c in chars]
    many = [b"%s,65535" % n for n in names[:32769]]
    yield "size_past_2g", rff_set(b"[FIELDDESCRIPTIONS]\n" + b"\n".join(many) + b"\n", b"", b"x" * 64)


# ---- STADAF header areas: version byte (0: 1.10, 1: 2.00, 2: 2.10), then the file from offset 93 ------------
def entry(kind, size, name, version):
    e = kind + b"%05d" % size + name.ljust(30)
    return e + (b"  " if version == 2 else b"") + b"\r"


def header200(groups, version=1, count=b"000000003", codes=None):
    data = count + b"\r"
    if version == 2:
        data += b"%02d\r" % len(groups) + (codes if codes is not None else b"FaRlTkRtRs"[:2 * len(groups)]) + b"\r"
    for records, entries in groups:
        data += records + b"\r" + b"%03d" % len(entries) + b"\r" + b"".join(entries)
    return data


def stadaf_header_seeds():
    for version, name in ((0, "stadaf110"), (1, "stadaf200"), (2, "stadaf210")):
        yield name, bytes([version]) + sample(name + ".daf")[93:]
    f = lambda k, s, n, v=1: entry(k, s, n, v)
    text = b"00011Header text\r\n"
    # 1.10: fields, constants, separator, text block, records.
    h110 = (b"00000003" + b"0004" + f(b"F", 3, b"A", 0) + f(b"D", 2, b"V", 0) + f(b"S", 0, b"S", 0) +
            f(b"F", 40000, b"VIRT", 0) + b"00000002" + b"CUR=EUR".ljust(40) + b"\r" + b"YQ=Fuel".ljust(40) + b"\r" +
            b"|" + text)
    rec110 = b"EUR05hello0000160000200008abcdefgh12345678\r"
    yield "v110_records", bytes([0]) + h110 + rec110 * 3
    yield "v110_bad_constant", bytes([0]) + b"00000001" + b"0000" + b"00000001" + b"NOEQUALS".ljust(40) + b"\r|00000\r\n"
    yield "v110_count_text", bytes([0]) + b"0000000x" + b"0000" + b"00000000" + b"|00000\r\n"
    groups = [(b"0000001", [f(b"F", 7, b"FaLen"), f(b"F", 2, b"FaType"), f(b"D", 3, b"FaNote"), f(b"S", 0, b"FaStruct")]),
              (b"0000001", [f(b"F", 4, b"RlCode"), f(b"F", 4, b"RlText")]),
              (b"0000000", []),
              (b"0000001", [f(b"F", 4, b"RtCode"), f(b"D", 2, b"RtVia")]),
              (b"0000000", [])]
    recs = b"0000001FA003abc0000050000100005ABCDE\r" + b"12RLtext\r" + b"12RT03xyz\r"
    yield "v200_records", bytes([1]) + header200(groups) + text + recs
    yield "v210_records", bytes([2]) + header200([(r, [e[:-1] + b"  \r" for e in es]) for r, es in groups[:2]] +
                                                 [(groups[3][0], [e[:-1] + b"  \r" for e in groups[3][1]])],
                                                 version=2, codes=b"FaRlRt") + text + recs
    g210 = [(b"0000001", [f(b"F", 4, b"McA", 2)]), (b"0000001", [f(b"F", 4, b"FaB", 2)])]
    yield "v210_unknown_code", bytes([2]) + header200(g210, version=2, count=b"000000002", codes=b"McFa") + text + b"12MC\r12FA\r"
    yield "v200_negative_count", bytes([1]) + header200(groups, count=b"-00000001") + text
    yield "v200_zero_count", bytes([1]) + header200(groups, count=b"000000000") + text
    yield "v200_bad_group", bytes([1]) + header200([(b"00x0001", [])] + groups[1:]) + text
    yield "v200_incomplete", bytes([1]) + header200(groups) + b"00005ab"
    yield "v200_unknown_type", bytes([1]) + header200([(b"0000001", [f(b"X", 2, b"Bad")])] + groups[1:]) + text
    yield "v200_unclassified", bytes([1]) + header200(groups) + text + b"0000000000000000000000FA\r" + b"12ZZab\r"
    big = [f(b"D", 5, b"D%03d" % i) for i in range(300)]
    yield "v210_wide_prefixes", bytes([2]) + header200([(b"0000001", [e[:-1] + b"  \r" for e in big])], version=2,
                                                       count=b"000000001", codes=b"Fa") + text
    yield "v210_bad_group_count", bytes([2]) + b"000000001\rxx\r" + text


# ---- structured fields: description line, then structures ---------------------------------------------
def stadaf_struct_seeds():
    yield "elements", b"S, 0, 8\n" + b"000024000030000800000000111111112222222" + b"2"
    yield "not_multiple", b"S, 0, 8\n" + b"000025000000000800000000111111112222222233"
    yield "zero", b"S, 0, 0\n" + b"0000000000000000"
    yield "zero_element", b"S, 0, 0\n" + b"0000100000000000" + b"0123456789"
    yield "zero_byte", b"S, 0, 3\n" + b"0000060000200003" + b"abc\0ef" + b"0000030000100003xyz"
    yield "bad_total", b"S, 0, 3\n" + b"00x006000020000300abcdef"
    yield "negative_total", b"S, 0, 3\n" + b"-00006000020000300abcdef"
    yield "bad_element", b"S, 0, 3\n" + b"00000600002000x3abcdef"
    yield "past_end", b"S, 0, 1\n" + b"9999990000000001abc"
    yield "large", b"S, 0, 1\n" + b"1000000000000001" + b"x" * 100000
    yield "four_parts", b"S, 0, 0, 0\n" + b"0000000000000000"
    yield "named", b" Flight Ranges , 0 , 99999\n"


# ---- the two first targets: whole STADAF files, and RFF with a one-byte layout length --------------------
def stadaf_seeds():
    for name in ("stadaf110", "stadaf200", "stadaf210"):
        yield name, sample(name + ".daf")


def rff_seeds():
    for name in ("fares", "routes"):
        ini = sample(name + ".ini")[:255]
        yield name, bytes([len(ini)]) + ini + sample(name + ".rff")


# ---- kwdump end to end: flags, --type byte, data, layout, memo parts, then the cache -----------------------
RFF, RFC, DAF, TXT = 0, 1, 2, 3
CSV, TSV, SCHEMA, NO_CACHE, FIRST, LIMIT = 4, 8, 0x10, 0x20, 0x40, 0x80


def file_set(flags, data, ini=b"", memo=b"", of1=b"", type_byte=0):
    return bytes([flags, type_byte]) + part(data) + part(ini) + part(memo) + of1


def sample_cache(name):
    """The sample's index cache as kwdump writes it (KWDUMP=path of a kwdump binary), restamped; else none."""
    kwdump = os.environ.get("KWDUMP")
    if not kwdump:
        return b""
    import shutil, subprocess, tempfile
    with tempfile.TemporaryDirectory() as folder:
        daf = os.path.join(folder, name + ".daf")
        shutil.copy(os.path.join(SAMPLES, name + ".daf"), daf)
        subprocess.run([kwdump, daf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        with open(os.path.join(folder, name + ".of1"), "rb") as f:
            data = f.read()
    return data[:4] + STAMP + data[4 + len(STAMP):]


def kwdump_seeds():
    yield "fares", file_set(RFF, sample("fares.rff"), sample("fares.ini"), sample("fares.rfm"))
    yield "fares_csv_first", file_set(RFF | CSV | FIRST, sample("fares.rff"), sample("fares.ini"), sample("fares.rfm"))
    yield "routes_tsv_limit", file_set(RFF | TSV | LIMIT, sample("routes.rff"), sample("routes.ini"))
    yield "routes_schema", file_set(RFF | SCHEMA, sample("routes.rff"), sample("routes.ini"))
    yield "no_layout", file_set(RFF, sample("routes.rff"))
    yield "rfc", file_set(RFC, sample("fares.rfc"))
    yield "rfc_first", file_set(RFC | FIRST | TSV, sample("lone.rfc"))
    yield "txt", file_set(TXT, b"text\r\n")
    yield "rff_type", file_set(RFF, sample("routes.rff"), sample("routes.ini"), type_byte=2)
    yield "escape_in_name", file_set(RFF, b"abc\r\n", layout([b"\x1b]0;title\x07\t, x"]))
    for name in ("stadaf110", "stadaf200", "stadaf210"):
        of1 = sample_cache(name)
        yield name, file_set(DAF, sample(name + ".daf"), of1=of1)
        yield name + "_no_cache", file_set(DAF | NO_CACHE | CSV, sample(name + ".daf"))
        yield name + "_type", file_set(DAF | FIRST | LIMIT, sample(name + ".daf"), of1=of1, type_byte=4)
    if sample_cache("stadaf200"):
        # A cache that lists another type's records, and one that lists offsets inside records.
        entries = read_cache(sample_cache("stadaf200"))
        swapped = [(entries[1][0], entries[0][1]), (entries[0][0], entries[1][1])] + entries[2:]
        yield "stadaf200_cache_swapped", file_set(DAF, sample("stadaf200.daf"), of1=cache(swapped))
        shifted = [(key, [o + 3 for o in offsets]) for key, offsets in entries]
        yield "stadaf200_cache_shifted", file_set(DAF, sample("stadaf200.daf"), of1=cache(shifted))


def read_cache(data):
    """The entries of a well-formed cache: (key, offsets)."""
    at = 4 + struct.unpack_from("<i", data)[0]
    count, = struct.unpack_from("<i", data, at)
    at += 4
    entries = []
    for _ in range(count):
        k, = struct.unpack_from("<i", data, at)
        key = data[at + 4:at + 4 + k]
        at += 4 + k
        b, = struct.unpack_from("<i", data, at)
        entries.append((key, list(struct.unpack_from("<%di" % (b // 4), data, at + 4))))
        at += 4 + b
    return entries


TARGETS = {
    "layout": layout_seeds, "rfc": rfc_seeds, "index_cache": index_cache_seeds,
    "index_cache_wide": index_cache_wide_seeds, "rff_memo": rff_memo_seeds,
    "stadaf_header": stadaf_header_seeds, "stadaf_struct": stadaf_struct_seeds, "stadaf": stadaf_seeds,
    "rff": rff_seeds, "kwdump": kwdump_seeds,
}


def main():
    out = sys.argv[1]
    for target, seeds in TARGETS.items():
        folder = os.path.join(out, target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds():
            with open(os.path.join(folder, "seed_" + name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
