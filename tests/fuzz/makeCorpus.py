#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into tests/fuzz/corpus/<target>/.

Hand-made inputs for the corner cases of every reader, plus the sample data directory. Run it
again after changing it; it replaces only the files it writes (named "seed-*"), so inputs that
fuzzing found and that were added by hand stay.
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
SAMPLES = os.path.join(ROOT, "examples", "game-data")
MAX_SIZE = 16 * 1024


def utf16(text, mark=b"\xff\xfe"):
    return mark + text.encode("utf-16-le", "surrogatepass")


def write(target, name, data):
    if isinstance(data, str):
        data = data.encode("utf-8")
    if len(data) >= MAX_SIZE:
        sys.exit("%s/%s: %d bytes, keep seeds below %d" % (target, name, len(data), MAX_SIZE))
    directory = os.path.join(HERE, "corpus", target)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, "seed-" + name), "wb") as f:
        f.write(data)


def sample(name):
    path = os.path.join(SAMPLES, name)
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        return f.read()


NAMES = "ID\tName\tCount\tBig\tMask\tRate\tTag\tDrops\tWeights"
TYPES = "INT\tSTRING\tUINT\tINT64\tUINT64\tFLOAT\tKEY_VALUE\tSTRING_INT\tSTRING_FLOAT"
HEAD = NAMES + "\r\n" + TYPES + "\r\n"


def data_file_seeds():
    t = "fuzzDataFile"
    write(t, "empty", b"")
    write(t, "mark-only", b"\xff\xfe")
    write(t, "header-only", utf16(HEAD))
    write(t, "canonical", utf16(HEAD +
          "1\tSword\t3\t-5\t18446744073709551615\t0.500000\tkv\t1|2|3\t1.500000|2.000000\r\n"
          "2\t Shield \t4294967295\t9223372036854775807\t0\t-0.100000\t\t\t\r\n"
          "3\t\u5251\t0\t-9223372036854775808\t1\t100.000000\tA B\t-1\t0.000000\r\n"))
    write(t, "odd-forms", utf16(HEAD +
          "007\t\t-1\t12abc\t1e3\tnan\t|x|\t1||2|\t0x10|inf\r\n"
          "+8\tx\t 9\t99999999999999999999\t-1\t1e40\t\t|||\t-nan|1e-50\r\n"
          "99999999999\ty\t4294967296\t-0\t+0\t-0.0\t\t2147483648|-2147483649\t3.4028235e38\r\n"))
    write(t, "comments-and-blank", utf16("# comment before the header\r\n" + NAMES + "\r\n#between\r\n" +
          TYPES + "\r\n1\ta\r\n# between rows\r\n2\tb\r\n\r\n3\tafter the blank line\r\n"))
    write(t, "no-final-crlf", utf16(HEAD + "1\tlast"))
    write(t, "short-long-rows", utf16(HEAD + "5\r\n6\tsix\t1\t2\t3\t4.0\tt\t1\t2\textra\textra2\r\n7\t\r\n8\t\t\r\n"))
    write(t, "stray-breaks", utf16(HEAD + "1\ta\rb\tc\nd\r\n2\tx\x00y\r\n3\r\r\n"))
    write(t, "lf-only", utf16(NAMES + "\n" + TYPES + "\n1\ta\n2\tb\n"))
    # A lone LF in a header line: rows hidden behind the second header line, or the first row
    # taken for a header line. Both are refused.
    write(t, "header-lf-hides-rows", utf16(NAMES + "\r\n" + TYPES + "\n1\ta\n2\tb\n"))
    write(t, "header-lf-takes-row", utf16(NAMES + "\n" + TYPES + "\r\n1\ta\r\n"))
    write(t, "hex-float", utf16(HEAD + "1\ta\t0\t0\t0\t0x10\t\t\t0x1p4|0X.8|-0x1.8P1|1e5\r\n"
                                        "2\tb\t0\t0\t0\t-0X1P-2\t\t\tinf|nan|0x\r\n"))
    write(t, "no-mark-utf8", (HEAD + "1\ta\r\n").encode("utf-8"))
    write(t, "big-endian-mark", utf16(HEAD + "1\ta\r\n", mark=b"\xfe\xff"))
    write(t, "odd-length", utf16(HEAD + "1\ta\r\n") + b"\x41")
    write(t, "surrogates", utf16(HEAD + "1\t\U0001F600 ok\r\n2\t\ud800 lone\t\t\t\t\t\udfff\r\n"))
    write(t, "long-string", utf16(HEAD + "1\t" + "s" * 1100 + "\t1\t1\t1\t1.0\t" + "k" * 1030 + "\r\n"))
    write(t, "long-list", utf16(HEAD + "1\tl\t0\t0\t0\t0\t\t" + "|".join(str(i) for i in range(70)) +
                                  "\t" + "|".join("%d.25" % i for i in range(70)) + "\r\n"))
    write(t, "long-row", utf16(HEAD + "1\t" + "a" * 1023 + "\t0\t0\t0\t0\t" + "b" * 1023 + "\t" +
                                 "|".join(["-2147483648"] * 64) + "\t" +
                                 "|".join(["-340282346638528859811704183484516925440.000000"] * 40) + "\r\n"))
    write(t, "hash-values", utf16(HEAD + " #1\t#name\r\n2\t#\r\n"))
    write(t, "duplicate-ids", utf16(HEAD + "7\tfirst\r\n7\tsecond\r\n-3\tneg\r\n"))
    write(t, "one-id-left", utf16(HEAD + "-2147483648\tlow\r\n2147483646\thigh\r\n"))
    write(t, "only-blank-lines", utf16("\r\n\r\n\r\n"))
    write(t, "crlf-at-end-only", utf16("\r\n"))
    for name in ("items.txt", "drops.txt", "npcs.txt"):
        data = sample(name)
        if data is not None:
            write(t, "sample-" + name, data)


def generated_meta_seeds():
    t = "fuzzGeneratedMeta"
    write(t, "all-types", utf16(HEAD + "1\ta\t2\t3\t4\t5.000000\tk\t1|2\t1.000000\r\n"))
    write(t, "three-level", utf16("ID\tName\tLevel\r\nINT\tSTRING\tUINT\r\n1\tone\t10\r\n"))
    write(t, "more-names-than-types", utf16("ID\tName\tLevel\r\nINT\tSTRING\r\n1\tone\t10\r\n"))
    write(t, "spaces-and-runs", utf16(" ID \t\t Name\t\r\n\tINT \t STRING \r\n1\tone\r\n"))
    write(t, "unknown-type", utf16("ID\tName\tX\r\nINT\tSTRING\tDOUBLE\r\n1\tone\t1\r\n"))
    write(t, "id-not-int", utf16("Name\tID\r\nSTRING\tINT\r\nx\t1\r\n"))
    write(t, "one-column", utf16("ID\r\nINT\r\n5\r\n6\r\n"))
    write(t, "key-value", utf16("ID\tKey\r\nINT\tKEY_VALUE\r\n1\tk\r\n"))
    write(t, "xml-chars", utf16("ID\tN<a>&\"'\r\nINT\tSTRING\r\n1\tx\r\n"))
    write(t, "header-lf-hides-rows", utf16("ID\tName\r\nINT\tSTRING\n1\ta\n2\tb\n"))
    write(t, "header-lf-takes-row", utf16("ID\tName\nINT\tSTRING\r\n1\ta\r\n"))
    write(t, "empty", b"")
    write(t, "mark-only", b"\xff\xfe")
    for name in ("monsters.txt", "skills.txt", "quests.txt"):
        data = sample(name)
        if data is not None:
            write(t, "sample-" + name, data)


def field(type_, name, extra=""):
    return '\t<Field Type="%s" Name="%s" CodeVarName="%s" LinkTableName="" IsMulti="false"%s />\n' % (
        type_, name, name, extra)


def meta_seeds():
    t = "fuzzMetaData"
    types = TYPES.split("\t")
    names = NAMES.split("\t")
    fields = "".join(field(ty, n) for ty, n in zip(types, names))
    write(t, "all-types", '<?xml version="1.0"?>\n<Table IdFieldIndex="0" NameFieldIndex="1">\n' + fields + "</Table>\n")
    write(t, "all-types-utf16", utf16('<?xml version="1.0" encoding="utf-16"?>\n'
                                      '<Table IdFieldIndex="0" NameFieldIndex="1">\n' + fields + "</Table>\n"))
    write(t, "all-strings", "<T IdFieldIndex='0' NameFieldIndex='1'>" +
          "".join("<F Type='%s'/>" % ty for ty in ["INT"] + ["STRING"] * 8) + "</T>")
    write(t, "all-lists", "<T NameFieldIndex='1'><F Type='INT'/><F Type='KEY_VALUE'/>" +
          "".join("<F Type='%s'/>" % ty for ty in ["STRING_INT", "STRING_FLOAT"] * 4) + "</T>")
    write(t, "two-fields", '<Table IdFieldIndex=" 0" NameFieldIndex="+1"><Field Type="INT"/><Field Type="STRING"/></Table>')
    write(t, "id-not-int", '<Table IdFieldIndex="1" NameFieldIndex="1"><A Type="INT"/><B Type="STRING"/></Table>')
    write(t, "index-out-of-range", '<Table IdFieldIndex="0" NameFieldIndex="9"><A Type="INT"/><B Type="STRING"/></Table>')
    write(t, "negative-index", '<Table IdFieldIndex="-1" NameFieldIndex="1"><A Type="INT"/><B Type="STRING"/></Table>')
    write(t, "bad-type", '<Table><A Type="int"/><B Type="STRING"/><C Type="INT64 "/></Table>')
    write(t, "missing-type", '<Table><A Type="INT"/><B/></Table>')
    write(t, "text-child", '<Table><A Type="INT"/>text<B Type="STRING"/><!-- c --><?pi x?></Table>')
    write(t, "no-fields", '<Table IdFieldIndex="0" NameFieldIndex="1"></Table>')
    write(t, "is-multi", '<Table NameFieldIndex="1"><A Type="INT" IsMulti="Yes"/><B Type="STRING" IsMulti="0"/>'
                         '<C Type="UINT" IsMulti="t"/><D Type="FLOAT" IsMulti="no"/></Table>')
    write(t, "long-name", '<Table NameFieldIndex="1"><A Type="INT" Name="%s"/><B Type="STRING" CodeVarName="%s" LinkTableName="%s"/></Table>'
          % ("n" * 200, "c" * 128, "l" * 127))
    write(t, "many-fields", "<Table><A Type='INT'/><B Type='STRING'/>" + "<C Type='UINT'/>" * 258 + "</Table>")
    write(t, "not-xml", "Type=INT\r\n")
    write(t, "empty", b"")
    write(t, "truncated", '<Table IdFieldIndex="0"><Field Type="INT"')
    for name in ("items.txt.meta", "monsters.txt.meta", "drops.txt.meta"):
        data = sample(name)
        if data is not None:
            write(t, "sample-" + name, data)


def list_seeds():
    t = "fuzzTableList"
    entries = [("items.txt", "物品"), ("drops.txt", "掉落"), ("plain.txt", "plain")]

    def listing(rows, root="TableList"):
        return ('<?xml version="1.0" encoding="utf-8"?>\n<%s>\n' % root +
                "".join('\t<Table FileName="%s" Label="%s" />\n' % e for e in rows) + "</%s>\n" % root)

    write(t, "three", listing(entries))
    write(t, "all-four", listing(entries + [("damaged.txt", "bad")]))
    write(t, "reversed", listing(list(reversed(entries)), root="Anything"))
    write(t, "duplicate", listing([entries[0], entries[1], entries[0]]))
    write(t, "missing-file", listing([("nothing.txt", "none"), entries[2]]))
    write(t, "no-label", '<L><T FileName="items.txt"/><T Label="no file name"/><T FileName=""/></L>')
    write(t, "long-label", listing([("items.txt", "x" * 140), ("plain.txt", "\u4e2d" * 130)]))
    write(t, "long-name", listing([("p" * 128 + ".txt", "long")]))
    write(t, "utf16", utf16('<?xml version="1.0" encoding="utf-16"?><L><T FileName="drops.txt" Label="d"/></L>'))
    write(t, "empty-list", "<TableList/>")
    write(t, "comments", "<!-- c --><TableList><!-- x --><T FileName='plain.txt'/>text</TableList>")
    write(t, "not-xml", "items.txt\r\n")
    write(t, "empty", b"")
    data = sample("tableList.xml")
    if data is not None:
        write(t, "sample-tableList.xml", data)


def list_text_seeds():
    t = "fuzzListText"
    for name, text in [("doubled-separators", "1||-2|3|"), ("floats", "1.5|2"), ("lone-bar", "|"),
                       ("spaces", " 7| +8 |\t9"), ("letters", "a|3.9|12abc"),
                       ("ranges", "99999999999|-99999999999|2147483647|-2147483648|4294967296"),
                       ("float-forms", "1e3|0x1p3|inf|-nan|nan(1)|1e40|1e-50|.5|5.|-0"),
                       ("hex-floats", "0x10|0X1P4|-0x1.8p1|0x.8|0x|0xg|1e5x10"),
                       ("seventy", "|".join(str(i) for i in range(70))),
                       ("long-floats", "|".join(["-340282346638528859811704183484516925440"] * 5)),
                       ("wide", "\uff11|\u3000 2|\U0001F600")]:
        write(t, name, text.encode("utf-16-le", "surrogatepass"))


def cell_input_seeds():
    # The first byte picks the field type: INT, UINT, INT64, UINT64, FLOAT, STRING, STRING_INT,
    # STRING_FLOAT for 0 to 7.
    t = "fuzzCellInput"
    for name, kind, text in [("int-letters", 0, "12ab"), ("int-grouped", 0, "1,000"), ("int-edges", 0, " -2147483648 "),
                             ("uint-minus", 1, "-5"), ("uint-minus-zero", 1, "-0"),
                             ("int64-huge", 2, "99999999999999999999"), ("uint64-max", 3, "+18446744073709551615"),
                             ("float-huge", 4, "1e400"), ("float-tiny", 4, "1e-50"), ("float-forms", 4, ".5e+3"),
                             ("float-words", 4, "inf"), ("float-hex", 4, "0x10"), ("float-max", 4, "3.4028235e38"),
                             ("string-tab", 5, "a\tb"), ("string-long", 5, "\u540d" * 1503),
                             ("string-wide", 5, "\u3000 \U0001F600 "),
                             ("list-commas", 6, "1,2,3"), ("list-bad", 6, "1|abc|3"), ("list-empty-value", 6, "1||2"),
                             ("list-blanks", 6, " 4 |\u3000-5| 6 "), ("list-many", 6, "|".join(["7"] * 65)),
                             ("float-list", 7, "1e3| .5 |-0"), ("float-list-bad", 7, "1|nan")]:
        write(t, name, bytes([kind]) + text.encode("utf-16-le", "surrogatepass"))


data_file_seeds()
generated_meta_seeds()
meta_seeds()
list_seeds()
list_text_seeds()
cell_input_seeds()
