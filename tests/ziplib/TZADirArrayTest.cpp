// Guards the directory's item array: its growth steps, its range errors, the copies it keeps of
// items and their extra data, and above all that string i of its name list always belongs to
// item i, so archives with empty, equal or case-variant names load, and deletes and renames
// touch only their own item's string.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "UniTestHelpers.h"
#include "directory/TZADirArray.h"
#include "ziplib/EZAException.h"
#include "ziplib/TMemoryStream.h"

using namespace ziplib;

namespace {

// The native code of the EZAException that f raises; -1 when it raises none.
int CodeOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EZAException& e) {
        return e.NativeError();
    }
    return -1;
}

std::vector<std::u16string> NamesOf(const TZADirArray& a) {
    std::vector<std::u16string> out;
    for (int i = 0; i < a.Names().Count(); ++i) out.push_back(a.Names().Get(i));
    return out;
}

std::vector<std::u16string> ItemNamesOf(const TZADirArray& a) {
    std::vector<std::u16string> out;
    for (int i = 0; i < a.Count(); ++i) out.push_back(a.ItemPtr(i)->Name);
    return out;
}

// The way the directory reader fills the array: the count first, then every name in order.
void Load(TZADirArray& a, const std::vector<std::u16string>& names) {
    a.SetCount(static_cast<int>(names.size()));
    for (size_t i = 0; i < names.size(); ++i) a.Rename(static_cast<int>(i), names[i]);
}

// String i is the lower-cased name of item i, for every i.
void ExpectInStep(const TZADirArray& a) {
    ASSERT_EQ(a.Names().Count(), a.Count());
    for (int i = 0; i < a.Count(); ++i) EXPECT_EQ(a.Names().Get(i), TZADirArray::LowerName(a.ItemPtr(i)->Name)) << i;
}

class TrackedStream : public TMemoryStream {
public:
    explicit TrackedStream(bool& freed) : freed_(freed) {}
    ~TrackedStream() override { freed_ = true; }

private:
    bool& freed_;
};

}  // namespace

TEST(TZADirArray, GrowsByADoublingStepCappedAtTenThousand) {
    struct Step { int count; int capacity; };
    struct Case { const char* name; std::vector<Step> steps; };
    const Case cases[] = {
        {"first growth already doubles the step", {{1, 1000}}},
        {"a count beyond capacity plus step is taken exactly", {{20000, 20000}}},
        {"release keeps the doubled step", {{1, 1000}, {0, 0}, {1, 2000}}},
        {"counts just above the capacity",
         {{1, 1000}, {1001, 3000}, {3001, 7000}, {7001, 15000}, {15001, 25000}, {25001, 35000}}},
        {"within the capacity nothing moves", {{1, 1000}, {999, 1000}, {5, 1000}, {1000, 1000}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZADirArray a;
        EXPECT_EQ(a.Capacity(), 0);
        for (const Step& s : c.steps) {
            a.SetCount(s.count);
            EXPECT_EQ(a.Count(), s.count);
            EXPECT_EQ(a.Capacity(), s.capacity) << "after SetCount(" << s.count << ")";
        }
    }
    TZADirArray a;
    EXPECT_THROW(a.SetCount(-1), std::invalid_argument);
}

TEST(TZADirArray, IndexesOutsideTheItemsRaiseTheirCodes) {
    TZADirArray a;
    Load(a, {u"a", u"b"});
    const TDirItem item;
    struct Case { const char* name; std::function<void(int)> call; int code; };
    const Case cases[] = {
        {"SetItem", [&](int i) { a.SetItem(i, item); }, ZAError::SetItemIndex},
        {"GetItem", [&](int i) { a.GetItem(i); }, ZAError::GetItemIndex},
        {"ItemPtr", [&](int i) { a.ItemPtr(i); }, ZAError::ItemPtrIndex},
        {"Delete", [&](int i) { a.Delete(i); }, ZAError::DeleteItemIndex},
        {"Rename", [&](int i) { a.Rename(i, u"x"); }, ZAError::ItemPtrIndex},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CodeOf([&] { c.call(-1); }), c.code);
        EXPECT_EQ(CodeOf([&] { c.call(2); }), c.code);  // inside the capacity, past the count
        EXPECT_EQ(ItemNamesOf(a), (std::vector<std::u16string>{u"a", u"b"}));
        ExpectInStep(a);
    }
}

TEST(TZADirArray, SlotsKeepTheirOwnCopiesOfItemsAndExtraData) {
    TZADirArray a;
    Load(a, {u"one.txt", u"two.txt"});
    a.ItemPtr(0)->ExtraFields = {{0x5455, {1, 2, 3}}, {0xCAFE, {}}};
    a.ItemPtr(0)->Comment = "note";

    a.SetItem(1, a.GetItem(0));
    a.ItemPtr(0)->ExtraFields[0].data[0] = 9;
    a.ItemPtr(0)->ExtraFields.pop_back();
    const TDirItem second = a.GetItem(1);
    ASSERT_EQ(second.ExtraFields.size(), 2u);
    EXPECT_EQ(second.ExtraFields[0].data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(second.ExtraFields[1].id, 0xCAFE);
    EXPECT_EQ(second.Comment, "note");
    // The slot took the copy's name, and its string follows.
    EXPECT_EQ(second.Name, u"one.txt");
    ExpectInStep(a);

    // An item set straight from a slot of the same array.
    a.SetItem(0, *a.ItemPtr(1));
    EXPECT_EQ(a.ItemPtr(0)->ExtraFields.size(), 2u);
}

TEST(TZADirArray, SetItemAppendsOnlyTheNextString) {
    TZADirArray a;
    a.SetCount(3);
    TDirItem item;
    item.Name = u"Книга.FB2";
    EXPECT_EQ(CodeOf([&] { a.SetItem(1, item); }), ZAError::NameListOutOfStep);
    EXPECT_EQ(a.Names().Count(), 0);
    EXPECT_EQ(a.ItemPtr(1)->Name, u"");  // left as it was
    for (int i = 0; i < 3; ++i) a.SetItem(i, item);
    EXPECT_EQ(NamesOf(a), (std::vector<std::u16string>(3, u"книга.fb2")));
    // And a rename that would leave a gap is refused the same way.
    a.SetCount(5);
    EXPECT_EQ(CodeOf([&] { a.Rename(4, u"x"); }), ZAError::NameListOutOfStep);
}

TEST(TZADirArray, NamesAreFoundThroughTheHashInAnyCase) {
    TZADirArray a;
    Load(a, {u"Readme.TXT", u"Папка/", u"Папка/Книга Первая.fb2", u"ÄÖÜ/straße.doc", u"Αθηνα.txt", u"dir/Sub/x"});
    ExpectInStep(a);
    struct Case { const char16_t* query; int index; };
    const Case cases[] = {
        {u"readme.txt", 0}, {u"README.TXT", 0}, {u"ReAdMe.TxT", 0},
        {u"папка/", 1}, {u"ПАПКА/", 1},
        {u"папка/книга первая.fb2", 2}, {u"ПАПКА/КНИГА ПЕРВАЯ.FB2", 2}, {u"пАПКА/кНИГА пЕРВАЯ.Fb2", 2},
        {u"äöü/STRASSE.doc", -1}, {u"äöü/STRAßE.DOC", 3},
        {u"ΑΘΗΝΑ.TXT", 4},
        {u"DIR/SUB/X", 5}, {u"dir\\sub\\x", -1}, {u"Папка", -1}, {u"", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(a.Names().IndexOf(c.query), c.index) << unitest::U8(c.query);
}

TEST(TZADirArray, ArchivesWithEmptyEqualOrCaseVariantNamesLoad) {
    // Each entry's 8-bit name, then the name of its Unicode field (empty: none).
    struct Entry { std::u16string name, unicode; };
    struct Case { const char* name; std::vector<Entry> entries; };
    const Case cases[] = {
        {"an empty name followed by another", {{u"", u""}, {u"b.txt", u""}}},
        {"two empty names", {{u"", u""}, {u"", u""}, {u"c", u""}}},
        {"names differing only in case, the second with a Unicode name",
         {{u"a.txt", u""}, {u"A.TXT", u"A.TXT"}}},
        {"names differing only in case, the first with a Unicode name",
         {{u"readme", u"README"}, {u"README", u""}}},
        {"the same name twice, both with Unicode names", {{u"x", u"Икс"}, {u"x", u"Икс"}}},
        {"a Unicode name equal to an earlier item's", {{u"Дом", u""}, {u"dom", u"ДОМ"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZADirArray a;
        a.SetCount(static_cast<int>(c.entries.size()));
        for (size_t i = 0; i < c.entries.size(); ++i) {
            const int index = static_cast<int>(i);
            ASSERT_NO_THROW(a.Rename(index, c.entries[i].name));
            if (!c.entries[i].unicode.empty()) {
                ASSERT_NO_THROW(a.Rename(index, c.entries[i].unicode));
            }
        }
        ExpectInStep(a);
        for (size_t i = 0; i < c.entries.size(); ++i) {
            const std::u16string& want = c.entries[i].unicode.empty() ? c.entries[i].name : c.entries[i].unicode;
            EXPECT_EQ(a.ItemPtr(static_cast<int>(i))->Name, want);  // in the case given
        }
    }
}

TEST(TZADirArray, DeleteDropsOnlyItsOwnString) {
    struct Case { const char* name; std::vector<std::u16string> names; int index; std::vector<std::u16string> left; };
    const Case cases[] = {
        // Looked up by value, "x" would be found at index 2 and that string dropped.
        {"an equal name later on", {u"x", u"Y", u"x"}, 0, {u"Y", u"x"}},
        {"a case variant later on", {u"Abc", u"q", u"aBC"}, 0, {u"q", u"aBC"}},
        {"empty names", {u"", u"m", u""}, 0, {u"m", u""}},
        {"the last item", {u"a", u"b", u"c"}, 2, {u"a", u"b"}},
        {"the only item", {u"Один"}, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TZADirArray a;
        Load(a, c.names);
        a.Delete(c.index);
        EXPECT_EQ(ItemNamesOf(a), c.left);
        ExpectInStep(a);
        // The hash agrees with the moved strings: each remaining name is found at its new
        // index (the last of equal names).
        for (int i = 0; i < a.Count(); ++i) {
            int last = i;
            for (int j = i + 1; j < a.Count(); ++j)
                if (TZADirArray::LowerName(c.left[j]) == TZADirArray::LowerName(c.left[i])) last = j;
            EXPECT_EQ(a.Names().IndexOf(c.left[i]), last);
        }
    }
}

TEST(TZADirArray, RenameChangesOnlyItsOwnStringAndReportsAListOutOfStep) {
    TZADirArray a;
    Load(a, {u"same", u"SAME", u"other"});
    a.Rename(1, u"New/Имя.txt");
    EXPECT_EQ(ItemNamesOf(a), (std::vector<std::u16string>{u"same", u"New/Имя.txt", u"other"}));
    ExpectInStep(a);
    EXPECT_EQ(a.Names().IndexOf(u"new/имя.TXT"), 1);
    EXPECT_EQ(a.Names().IndexOf(u"same"), 0);
    // A rename to a name another item holds is kept apart too.
    a.Rename(2, u"Same");
    ExpectInStep(a);

    // An item whose name was changed behind the list's back: its string is someone else's
    // name now, and renaming it reports the list as out of step, changing nothing.
    a.ItemPtr(1)->Name = u"elsewhere";
    EXPECT_EQ(CodeOf([&] { a.Rename(1, u"again"); }), ZAError::RenameNameTaken);
    EXPECT_EQ(a.ItemPtr(1)->Name, u"elsewhere");
    EXPECT_EQ(NamesOf(a), (std::vector<std::u16string>{u"same", u"new/имя.txt", u"same"}));
}

TEST(TZADirArray, ShrinkingClearingAndCopying) {
    TZADirArray a;
    Load(a, {u"a", u"b", u"c", u"d"});
    for (int i = 0; i < 4; ++i) a.ItemPtr(i)->Mark = 1;
    a.ItemPtr(3)->ExtraFields = {{1, {1}}};

    a.SetCount(2);  // c and d stop being items, and their strings go
    ExpectInStep(a);
    EXPECT_EQ(a.Names().IndexOf(u"c"), -1);
    a.SetCount(4);  // the slots come back empty
    EXPECT_EQ(a.ItemPtr(3)->Name, u"");
    EXPECT_TRUE(a.ItemPtr(3)->ExtraFields.empty());
    a.Rename(2, u"C2");
    a.Rename(3, u"D2");
    ExpectInStep(a);

    TZADirArray copy;
    Load(copy, {u"stale"});
    copy.Assign(a);
    EXPECT_EQ(ItemNamesOf(copy), ItemNamesOf(a));
    ExpectInStep(copy);
    EXPECT_EQ(copy.Names().IndexOf(u"stale"), -1);

    a.ClearMarks();
    for (int i = 0; i < a.Count(); ++i) EXPECT_EQ(a.ItemPtr(i)->Mark, 0);
    EXPECT_EQ(copy.ItemPtr(0)->Mark, 1);  // the copy is its own

    const int capacity = a.Capacity();
    a.Clear();
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(a.Names().Count(), 0);
    EXPECT_EQ(a.Capacity(), capacity);
    EXPECT_EQ(a.Names().IndexOf(u"a"), -1);
}

TEST(TZADirArray, AnOwnedSourceStreamIsFreedWithTheLastItemHoldingIt) {
    bool ownedFreed = false, foreignFreed = false;
    TrackedStream foreign(foreignFreed);
    TZADirArray a;
    Load(a, {u"owned", u"foreign"});
    a.ItemPtr(0)->SetSourceStream(new TrackedStream(ownedFreed), true);
    a.ItemPtr(1)->SetSourceStream(&foreign, false);
    EXPECT_TRUE(a.ItemPtr(0)->OwnsSourceStream());
    EXPECT_FALSE(a.ItemPtr(1)->OwnsSourceStream());

    {
        const TDirItem held = a.GetItem(0);  // a copy taken out of the array shares the stream
        a.Delete(0);
        EXPECT_FALSE(ownedFreed);
        EXPECT_NE(held.SourceStream(), nullptr);
    }
    EXPECT_TRUE(ownedFreed);
    a.Delete(0);
    EXPECT_FALSE(foreignFreed);  // never the item's to free

    TDirItem item;
    item.SetSourceStream(&foreign, false);
    item.SetSourceStream(nullptr, true);
    EXPECT_EQ(item.SourceStream(), nullptr);
    EXPECT_FALSE(item.OwnsSourceStream());
}
