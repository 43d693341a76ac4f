// Guards how a wide string list reads the properties of older saved forms: each value kind
// (8-bit, wide and UTF-8 strings, lists), the help flag that decides whether "WideStringsW"
// replaces a filled list and whether "WideStrings_UTF7" loads at all, values skipped without
// losing the place in the stream, the UTF-7 writer, and streams that are cut or hold the wrong kind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HexBytes.h"
#include "UniTestHelpers.h"
#include "unicode/FormPropertyStream.h"
#include "ziplib/TComponent.h"
#include "ziplib/TUniStringList.h"
#include "ziplib/UniExceptions.h"

namespace {

using namespace ziplib;
using ziptest::Concat;
using ziptest::Hex;
using Bytes = std::vector<std::uint8_t>;
using unitest::Lines;

// One property as a stream holds it: the name with its length byte, then the value.
Bytes Prop(const std::string& name, const Bytes& value) {
    Bytes b{static_cast<std::uint8_t>(name.size())};
    b.insert(b.end(), name.begin(), name.end());
    b.insert(b.end(), value.begin(), value.end());
    return b;
}

Bytes Short(const std::string& s) {
    Bytes b{6, static_cast<std::uint8_t>(s.size())};
    b.insert(b.end(), s.begin(), s.end());
    return b;
}

// Turns the unit-wide half of the help flag on for a scope.
struct HelpFlagOn {
    HelpFlagOn() { FormStreamHelpFlag = true; }
    ~HelpFlagOn() { FormStreamHelpFlag = false; }
};

TEST(FormPropertyStream, WideStringsTakesEachValueKind) {
    struct Case {
        const char* name;
        Bytes value;
        std::vector<std::u16string> items;
    } cases[] = {
        {"short 8-bit string, code page 1251", Hex("06 05 61 0D 0A E0 FF"), {u"a", u"ая"}},
        {"long 8-bit string", Hex("0C 02000000 C6 62"), {u"Жb"}},
        {"wide string", Hex("12 02000000 A9 03 0A 00"), {u"Ω"}},
        {"UTF-8 string", Hex("14 02000000 D0 B6"), {u"ж"}},
        {"list of every kind", Concat({Hex("01"), Short("\xE0"), Hex("12 01000000 A9 03 14 01000000 7A 00")}),
         {u"а", u"Ω", u"z"}},
        {"empty list", Hex("01 00"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TUniStringList list;
        list.Add(u"old");
        int changes = 0;
        list.OnChange = [&](TUniStringList&) { ++changes; };
        const Bytes stream = Prop("WideStrings", c.value);
        FormReader reader(stream);
        reader.ReadProperties(list);
        EXPECT_EQ(Lines(list), c.items);
        EXPECT_TRUE(reader.AtEnd());
        if (c.value[0] == 1) {
            EXPECT_EQ(changes, 1) << "a list is read inside one update";
        }
    }
}

TEST(FormPropertyStream, HelpFlagDecidesWhatTheOtherTwoLoad) {
    TComponent owner;
    const Bytes utf8List = Concat({Hex("01"), Short("\xD0\xB6"), Short("x"), Hex("00")});
    const Bytes utf7List = Concat({Hex("01"), Short("A+ImIDkQ."), Hex("00")});
    // Each stream ends with a plain value, which must still be read in its place.
    const Bytes tail = Prop("WideStrings", Short("end"));
    struct Case {
        const char* name;
        const TComponent* owner;
        bool designing, unitFlag, startFilled;
        Bytes stream;
        std::vector<std::u16string> beforeTail;
    } cases[] = {
        {"W into an empty list", nullptr, false, false, false, Prop("WideStringsW", utf8List), {u"ж", u"x"}},
        {"W into a filled list, flag off", &owner, false, false, true, Prop("WideStringsW", utf8List), {u"old"}},
        {"W into a filled list, flag on", &owner, false, true, true, Prop("WideStringsW", utf8List), {u"ж", u"x"}},
        {"W, no owner: off", nullptr, false, true, true, Prop("WideStringsW", utf8List), {u"old"}},
        {"W, owner designed: off", &owner, true, true, true, Prop("WideStringsW", utf8List), {u"old"}},
        {"UTF-7, flag off", &owner, false, false, false, Prop("WideStrings_UTF7", utf7List), {}},
        {"UTF-7, owner designed", &owner, true, true, true, Prop("WideStrings_UTF7", utf7List), {u"old"}},
        {"UTF-7, flag on", &owner, false, true, true, Prop("WideStrings_UTF7", utf7List), {u"A\u2262\u0391."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormStreamHelpFlag = c.unitFlag;
        TUniStringList list;
        if (c.startFilled) list.Add(u"old");
        FormReader reader(c.stream, c.owner, c.designing);
        reader.ReadProperties(list);
        EXPECT_EQ(Lines(list), c.beforeTail);
        EXPECT_TRUE(reader.AtEnd());

        TUniStringList after;
        const Bytes both = Concat({c.stream, tail});
        FormReader again(both, c.owner, c.designing);
        again.ReadProperties(after);
        EXPECT_EQ(Lines(after), std::vector<std::u16string>{u"end"}) << "the skipped or read list kept its length";
    }
    FormStreamHelpFlag = false;
}

// Records what a list defines, as a filer sees it.
struct RecordingFiler : FormFiler {
    struct Defined {
        std::string name;
        bool reads, writes, hasData;
        WriteProc write;
    };
    std::vector<Defined> defined;
    void DefineProperty(std::string_view name, const ReadProc& read, const WriteProc& write, bool hasData) override {
        defined.push_back({std::string(name), bool(read), bool(write), hasData, write});
    }
};

TEST(FormPropertyStream, NothingIsWrittenUnlessTheUtf7WriterIsAskedFor) {
    TUniStringList list;
    for (const char16_t* s : {u"A+B", u"!", u"\u2262x", u""}) list.Add(s);
    RecordingFiler filer;
    list.DefineProperties(filer);
    ASSERT_EQ(filer.defined.size(), 3u);
    const char* names[] = {"WideStrings", "WideStringsW", "WideStrings_UTF7"};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        EXPECT_EQ(filer.defined[i].name, names[i]);
        EXPECT_TRUE(filer.defined[i].reads);
        EXPECT_EQ(filer.defined[i].writes, i == 2);
        EXPECT_FALSE(filer.defined[i].hasData);
    }
    FormWriter properties;
    properties.WriteProperties(list);
    EXPECT_TRUE(properties.Bytes().empty());

    FormWriter writer;
    filer.defined[2].write(writer);
    EXPECT_EQ(writer.Bytes(), Concat({Hex("01"), Short("A+-B"), Short("!"), Short("+ImI-x"), Short(""), Hex("00")}));
    HelpFlagOn on;
    TComponent owner;
    TUniStringList back;
    const Bytes stream = Prop("WideStrings_UTF7", writer.Bytes());
    FormReader reader(stream, &owner);
    reader.ReadProperties(back);
    EXPECT_EQ(Lines(back), Lines(list));
}

TEST(FormPropertyStream, WriterPicksTheStringKindAndTheReaderTakesItBack) {
    const std::string longText(300, 'q');
    FormWriter w;
    w.WriteListBegin();
    w.WriteString("ab");
    w.WriteString(longText);
    w.WriteWideString(u"Ω");
    w.WriteUtf8String("\xD0\xB6");
    w.WriteListEnd();
    const Bytes& b = w.Bytes();
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 5), Hex("01 06 02 61 62"));
    EXPECT_EQ(Bytes(b.begin() + 5, b.begin() + 10), Hex("0C 2C 01 00 00"));
    FormReader r(b);
    r.ReadListBegin();
    EXPECT_EQ(r.ReadString(), "ab");
    EXPECT_EQ(r.ReadString(), longText);
    EXPECT_EQ(r.NextValue(), FormValueKind::WString);
    EXPECT_EQ(r.ReadWideString(), u"Ω");
    EXPECT_EQ(r.ReadWideString(), u"ж");
    EXPECT_TRUE(r.EndOfList());
    r.ReadListEnd();
    EXPECT_TRUE(r.AtEnd());
}

TEST(FormPropertyStream, CutOrWrongStreamsRaise) {
    struct Case {
        const char* name;
        Bytes stream;
        const char* message;
    } cases[] = {
        {"long string longer than the stream", Prop("WideStrings", Hex("0C E8030000 61 62 63")),
         "Form stream ends inside a value"},
        {"wide string cut in a character", Prop("WideStrings", Hex("12 02000000 41 00 42")),
         "Form stream ends inside a value"},
        {"length cut", Prop("WideStrings", Hex("14 0200")), "Form stream ends inside a value"},
        {"list without its end", Prop("WideStrings", Concat({Hex("01"), Short("a")})), "Form stream ends inside a value"},
        {"name without a value", Prop("WideStrings", {}), "Form stream ends inside a value"},
        {"name cut", Hex("0B 57 69 64 65"), "Form stream ends inside a value"},
        {"an integer value", Prop("WideStrings", Hex("02 05")), "Invalid property value"},
        {"a wide element of an 8-bit list", Prop("WideStringsW", Hex("01 12 01000000 41 00 00")),
         "Invalid property value"},
        {"a single value where a list belongs", Prop("WideStrings_UTF7", Short("a")), "Invalid property value"},
        {"unknown property", Prop("Strings", Hex("01 00")), "Property Strings does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TUniStringList list;
        FormReader reader(c.stream);
        try {
            reader.ReadProperties(list);
            ADD_FAILURE() << "no error";
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_EQ(list.UpdateCount(), 0) << "an update begun is ended";
    }
}

}  // namespace
