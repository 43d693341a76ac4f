// Guards the hashed name list: look-ups through the hashes agree with the list after every kind
// of change (adds, the drop and rebuild at more than five strings per bucket, deletes, clears,
// replacements), keys fold Latin and Cyrillic case, and equal strings answer with the highest index.
#include <gtest/gtest.h>

#include "UniTestHelpers.h"
#include "directory/TZAHashedStringList.h"

using namespace ziplib;

namespace {

std::u16string Name(int i) { return u"dir/file" + unitest::W(std::to_string(i)) + u".txt"; }

}  // namespace

TEST(TZAStringHash, ChainsAndLinks) {
    TZAStringHash h(7);
    EXPECT_EQ(h.HashOf(u""), 0u);
    EXPECT_EQ(h.HashOf(u"ab"), ((u'a' << 2) ^ u'b'));
    EXPECT_EQ(h.HashOf(std::u16string(17, u'\x8000')) >> 30, 2u);  // rotated, not shifted out
    h.Add(u"k", 1);
    h.Add(u"k", 2);
    h.Add(u"other", 3);
    EXPECT_EQ(h.ValueOf(u"k"), 2);  // the newest first
    ASSERT_NE(*h.Find(u"k"), nullptr);
    EXPECT_EQ((*h.Find(u"k"))->Value, 2);
    EXPECT_EQ(*h.Find(u"missing"), nullptr);
    h.Remove(u"k");
    EXPECT_EQ(h.ValueOf(u"k"), 1);
    h.Remove(u"k");
    h.Remove(u"k");
    EXPECT_EQ(h.ValueOf(u"k"), -1);
    h.Clear();
    EXPECT_EQ(h.ValueOf(u"other"), -1);
}

TEST(TZAHashedStringList, LookUps) {
    TZAHashedStringList l;
    EXPECT_EQ(l.IndexOf(u"anything"), -1);
    EXPECT_EQ(l.IndexOfName(u"anything"), -1);
    for (const char16_t* s : {u"a.txt", u"Папка/Книга.fb2", u"key=value", u"plain", u"a.txt", u"KEY=other"}) l.Add(s);
    EXPECT_EQ(l.IndexOf(u"A.TXT"), 4);  // the second of two equal strings
    EXPECT_EQ(l.IndexOf(u"папка/КНИГА.FB2"), 1);
    EXPECT_EQ(l.IndexOfName(u"key"), 5);
    EXPECT_EQ(l.IndexOfName(u"plain"), -1);  // no '=' in it
    EXPECT_EQ(l.IndexOf(u"missing"), -1);

    TZAHashedStringList exact;
    exact.SetCaseSensitive(true);
    exact.Add(u"a.txt");
    EXPECT_EQ(exact.IndexOf(u"A.TXT"), -1);
    EXPECT_EQ(exact.IndexOf(u"a.txt"), 0);
}

TEST(TZAHashedStringList, ValueHashIsDroppedAndRebuiltLargerPastFivePerBucket) {
    TZAHashedStringList l;
    for (int i = 0; i < 1000; ++i) {
        l.Add(Name(i));
        ASSERT_EQ(l.IndexOf(Name(i)), i);
    }
    ASSERT_NE(l.ValueHash(), nullptr);
    EXPECT_EQ(l.ValueHash()->BucketCount(), 1000u);
    for (int i = 1000; i < 5000; ++i) l.Add(Name(i));
    ASSERT_NE(l.ValueHash(), nullptr);  // kept current by Add up to 5 x 1000
    EXPECT_TRUE(l.ValueHashValid());
    EXPECT_EQ(l.IndexOf(Name(4999)), 4999);
    l.Add(Name(5000));  // the 5001st
    EXPECT_EQ(l.ValueHash(), nullptr);
    EXPECT_FALSE(l.ValueHashValid());
    EXPECT_EQ(l.IndexOf(Name(17)), 17);
    ASSERT_NE(l.ValueHash(), nullptr);
    EXPECT_EQ(l.ValueHash()->BucketCount(), 5001u);
    for (int i = 0; i <= 5000; ++i) ASSERT_EQ(l.IndexOf(Name(i)), i);
}

TEST(TZAHashedStringList, NameHashIsBuiltByANameLookUpAndDroppedByChanges) {
    TZAHashedStringList l;
    l.Add(u"Key=1");
    EXPECT_FALSE(l.NameHashValid());
    EXPECT_EQ(l.IndexOfName(u"key"), 0);
    ASSERT_NE(l.NameHash(), nullptr);
    EXPECT_TRUE(l.NameHashValid());
    l.Add(u"b=2");
    EXPECT_FALSE(l.NameHashValid()) << "after an add";
    EXPECT_EQ(l.IndexOfName(u"b"), 1);
    EXPECT_TRUE(l.NameHashValid());
    l.Delete(0);
    EXPECT_FALSE(l.NameHashValid()) << "after a delete";
    EXPECT_EQ(l.IndexOfName(u"b"), 0);
}

TEST(TZAHashedStringList, ChangesNeverLeaveStaleAnswers) {
    TZAHashedStringList l;
    auto fill = [&] {
        l.Clear();
        for (const char16_t* s : {u"a", u"b=1", u"c", u"d=2"}) l.Add(s);
        ASSERT_EQ(l.IndexOf(u"c"), 2);      // both hashes built
        ASSERT_EQ(l.IndexOfName(u"d"), 3);
    };
    struct Case {
        const char* name;
        std::function<void()> change;
        std::vector<std::pair<std::u16string, int>> values, names;
    };
    const Case cases[] = {
        {"clear", [&] { l.Clear(); }, {{u"a", -1}, {u"c", -1}}, {{u"b", -1}, {u"d", -1}}},
        {"clear, then add", [&] { l.Clear(); l.Add(u"x=9"); }, {{u"c", -1}, {u"x=9", 0}}, {{u"d", -1}, {u"x", 0}}},
        {"delete", [&] { l.Delete(0); }, {{u"a", -1}, {u"c", 1}}, {{u"b", 0}, {u"d", 2}}},
        {"add", [&] { l.Add(u"e=3"); }, {{u"e=3", 4}}, {{u"e", 4}, {u"d", 3}}},
        {"replace, hashed", [&] { l.PutHashed(2, u"C=5"); }, {{u"c", -1}, {u"c=5", 2}}, {{u"c", 2}}},
        {"replace", [&] { l.Put(0, u"z"); }, {{u"a", -1}, {u"Z", 0}}, {{u"b", 1}}},
        {"insert", [&] { l.Insert(0, u"first=0"); }, {{u"a", 1}, {u"first=0", 0}}, {{u"first", 0}, {u"d", 4}}},
        {"exchange", [&] { l.Exchange(0, 3); }, {{u"a", 3}, {u"d=2", 0}}, {{u"d", 0}, {u"b", 1}}},
        {"sort", [&] { l.CustomSort([](TUniStringList& s, int x, int y) { return -s.CompareStrings(s[x], s[y]); }); },
         {{u"a", 3}, {u"d=2", 0}}, {{u"d", 0}, {u"b", 2}}},
        {"case-sensitive keys", [&] { l.Add(u"AB"); l.SetCaseSensitive(true); }, {{u"ab", -1}, {u"AB", 4}}, {{u"b", 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        l.SetCaseSensitive(false);
        fill();
        c.change();
        for (const auto& [s, want] : c.values) EXPECT_EQ(l.IndexOf(s), want) << unitest::U8(s);
        for (const auto& [s, want] : c.names) EXPECT_EQ(l.IndexOfName(s), want) << unitest::U8(s);
    }
}

TEST(TZAHashedStringList, ReplacingOneOfEqualStringsKeepsTheOthers) {
    TZAHashedStringList l;
    for (const char16_t* s : {u"same", u"other", u"same"}) l.Add(s);
    ASSERT_EQ(l.IndexOf(u"same"), 2);
    l.PutHashed(0, u"new");
    EXPECT_EQ(l.IndexOf(u"same"), 2);
    EXPECT_EQ(l.IndexOf(u"new"), 0);
    l.PutHashed(2, u"newer");
    EXPECT_EQ(l.IndexOf(u"same"), -1);
    EXPECT_EQ(l.IndexOf(u"newer"), 2);
}

TEST(TZAHashedStringList, SortedListInsertsKeepIndexesRight) {
    TZAHashedStringList l;
    l.SetSorted(true);
    l.Add(u"m");
    ASSERT_EQ(l.IndexOf(u"m"), 0);
    l.Add(u"a");  // goes before "m", which moves to 1
    EXPECT_EQ(l.IndexOf(u"m"), 1);
    EXPECT_EQ(l.IndexOf(u"a"), 0);
    EXPECT_EQ(l.Add(u"M"), 1);  // dupIgnore: nothing added
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l.IndexOf(u"m"), 1);
}
