// generate-members: writes made-up member lists in cp932 for the cross
// benchmark. One record per line, CR LF, eight comma-separated fields and no
// quoting, about 100 bytes a record:
//
//   1 member id      8 digits, unique over all files
//   2 name           family and given name in kanji, a spacing variant between
//   3 birth date     YYYY/MM/DD
//   4 name in kana   half-width katakana, family and given name
//   5 gender         1 or 2
//   6 phone          0X0-XXXX-XXXX
//   7 postal code    NNN-NNNN
//   8 address        prefecture, city, town and block numbers
//
// Fields 2-3 are the cross key. A share of the records (--dup-share) are the
// same person (same name, birth date, gender and kana) as another record in
// any file, with a different spacing between family and given name, so that
// their keys only match once half-width and full-width spaces are left out.
// The rest of a duplicate (member id, phone, address) is its own.
//
// Every record is a pure function of (seed, record number): a duplicate finds
// its original by hashing instead of remembering earlier records, so the files
// are written in parallel, one thread per file, and the output does not
// depend on the number of threads.

#include <iconv.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Word lists, kept in UTF-8 here for legibility and converted to cp932 once.

struct Pair {
    const char* kanji;
    const char* kana;  // half-width katakana
};

// Common family names. 五十嵐 and 十日町 below carry the 0x5C trail byte of 十,
// which trips tools that treat a backslash as an escape.
constexpr Pair kFamily[] = {
    {"佐藤", "ｻﾄｳ"},   {"鈴木", "ｽｽﾞｷ"},  {"高橋", "ﾀｶﾊｼ"},    {"田中", "ﾀﾅｶ"},     {"伊藤", "ｲﾄｳ"},
    {"渡辺", "ﾜﾀﾅﾍﾞ"}, {"山本", "ﾔﾏﾓﾄ"},  {"中村", "ﾅｶﾑﾗ"},    {"小林", "ｺﾊﾞﾔｼ"},   {"加藤", "ｶﾄｳ"},
    {"吉田", "ﾖｼﾀﾞ"},  {"山田", "ﾔﾏﾀﾞ"},  {"佐々木", "ｻｻｷ"},   {"山口", "ﾔﾏｸﾞﾁ"},   {"松本", "ﾏﾂﾓﾄ"},
    {"井上", "ｲﾉｳｴ"},  {"木村", "ｷﾑﾗ"},   {"林", "ﾊﾔｼ"},       {"斎藤", "ｻｲﾄｳ"},    {"清水", "ｼﾐｽﾞ"},
    {"山崎", "ﾔﾏｻﾞｷ"}, {"森", "ﾓﾘ"},      {"池田", "ｲｹﾀﾞ"},    {"橋本", "ﾊｼﾓﾄ"},    {"阿部", "ｱﾍﾞ"},
    {"石川", "ｲｼｶﾜ"},  {"山下", "ﾔﾏｼﾀ"},  {"中島", "ﾅｶｼﾏ"},    {"石井", "ｲｼｲ"},     {"小川", "ｵｶﾞﾜ"},
    {"前田", "ﾏｴﾀﾞ"},  {"岡田", "ｵｶﾀﾞ"},  {"長谷川", "ﾊｾｶﾞﾜ"}, {"藤田", "ﾌｼﾞﾀ"},    {"後藤", "ｺﾞﾄｳ"},
    {"近藤", "ｺﾝﾄﾞｳ"}, {"村上", "ﾑﾗｶﾐ"},  {"遠藤", "ｴﾝﾄﾞｳ"},   {"青木", "ｱｵｷ"},     {"坂本", "ｻｶﾓﾄ"},
    {"斉藤", "ｻｲﾄｳ"},  {"福田", "ﾌｸﾀﾞ"},  {"太田", "ｵｵﾀ"},     {"西村", "ﾆｼﾑﾗ"},    {"藤井", "ﾌｼﾞｲ"},
    {"金子", "ｶﾈｺ"},   {"岡本", "ｵｶﾓﾄ"},  {"藤原", "ﾌｼﾞﾜﾗ"},   {"中野", "ﾅｶﾉ"},     {"三浦", "ﾐｳﾗ"},
    {"原田", "ﾊﾗﾀﾞ"},  {"中川", "ﾅｶｶﾞﾜ"}, {"松田", "ﾏﾂﾀﾞ"},    {"竹内", "ﾀｹｳﾁ"},    {"小野", "ｵﾉ"},
    {"田村", "ﾀﾑﾗ"},   {"中山", "ﾅｶﾔﾏ"},  {"和田", "ﾜﾀﾞ"},     {"石田", "ｲｼﾀﾞ"},    {"森田", "ﾓﾘﾀ"},
    {"上田", "ｳｴﾀﾞ"},  {"原", "ﾊﾗ"},      {"内田", "ｳﾁﾀﾞ"},    {"柴田", "ｼﾊﾞﾀ"},    {"酒井", "ｻｶｲ"},
    {"宮崎", "ﾐﾔｻﾞｷ"}, {"横山", "ﾖｺﾔﾏ"},  {"高木", "ﾀｶｷﾞ"},    {"安藤", "ｱﾝﾄﾞｳ"},   {"宮本", "ﾐﾔﾓﾄ"},
    {"大野", "ｵｵﾉ"},   {"小島", "ｺｼﾞﾏ"},  {"谷口", "ﾀﾆｸﾞﾁ"},   {"今井", "ｲﾏｲ"},     {"工藤", "ｸﾄﾞｳ"},
    {"高田", "ﾀｶﾀﾞ"},  {"増田", "ﾏｽﾀﾞ"},  {"丸山", "ﾏﾙﾔﾏ"},    {"杉山", "ｽｷﾞﾔﾏ"},   {"村田", "ﾑﾗﾀ"},
    {"大塚", "ｵｵﾂｶ"},  {"新井", "ｱﾗｲ"},   {"小山", "ｺﾔﾏ"},     {"平野", "ﾋﾗﾉ"},     {"藤本", "ﾌｼﾞﾓﾄ"},
    {"河野", "ｺｳﾉ"},   {"上野", "ｳｴﾉ"},   {"野口", "ﾉｸﾞﾁ"},    {"武田", "ﾀｹﾀﾞ"},    {"松井", "ﾏﾂｲ"},
    {"千葉", "ﾁﾊﾞ"},   {"岩崎", "ｲﾜｻｷ"},  {"菅原", "ｽｶﾞﾜﾗ"},   {"木下", "ｷﾉｼﾀ"},    {"久保", "ｸﾎﾞ"},
    {"佐野", "ｻﾉ"},    {"野村", "ﾉﾑﾗ"},   {"松尾", "ﾏﾂｵ"},     {"菊地", "ｷｸﾁ"},     {"杉本", "ｽｷﾞﾓﾄ"},
    {"市川", "ｲﾁｶﾜ"},  {"古川", "ﾌﾙｶﾜ"},  {"大西", "ｵｵﾆｼ"},    {"島田", "ｼﾏﾀﾞ"},    {"水野", "ﾐｽﾞﾉ"},
    {"桜井", "ｻｸﾗｲ"},  {"高野", "ﾀｶﾉ"},   {"渡部", "ﾜﾀﾅﾍﾞ"},   {"吉川", "ﾖｼｶﾜ"},    {"山内", "ﾔﾏｳﾁ"},
    {"西田", "ﾆｼﾀﾞ"},  {"飯田", "ｲｲﾀﾞ"},  {"菊池", "ｷｸﾁ"},     {"西川", "ﾆｼｶﾜ"},    {"小松", "ｺﾏﾂ"},
    {"北村", "ｷﾀﾑﾗ"},  {"安田", "ﾔｽﾀﾞ"},  {"五十嵐", "ｲｶﾞﾗｼ"}, {"川口", "ｶﾜｸﾞﾁ"},   {"平田", "ﾋﾗﾀ"},
    {"関", "ｾｷ"},      {"中田", "ﾅｶﾀ"},   {"久保田", "ｸﾎﾞﾀ"},  {"服部", "ﾊｯﾄﾘ"},    {"東", "ｱｽﾞﾏ"},
    {"岩田", "ｲﾜﾀ"},   {"土屋", "ﾂﾁﾔ"},   {"川崎", "ｶﾜｻｷ"},    {"福島", "ﾌｸｼﾏ"},    {"本田", "ﾎﾝﾀﾞ"},
    {"辻", "ﾂｼﾞ"},     {"樋口", "ﾋｸﾞﾁ"},  {"秋山", "ｱｷﾔﾏ"},    {"田口", "ﾀｸﾞﾁ"},    {"永井", "ﾅｶﾞｲ"},
    {"山中", "ﾔﾏﾅｶ"},  {"中西", "ﾅｶﾆｼ"},  {"吉村", "ﾖｼﾑﾗ"},    {"川上", "ｶﾜｶﾐ"},    {"石原", "ｲｼﾊﾗ"},
    {"大橋", "ｵｵﾊｼ"},  {"松岡", "ﾏﾂｵｶ"},  {"馬場", "ﾊﾞﾊﾞ"},    {"浜田", "ﾊﾏﾀﾞ"},    {"森本", "ﾓﾘﾓﾄ"},
    {"星野", "ﾎｼﾉ"},   {"矢野", "ﾔﾉ"},    {"浅野", "ｱｻﾉ"},     {"大久保", "ｵｵｸﾎﾞ"}, {"松下", "ﾏﾂｼﾀ"},
    {"小池", "ｺｲｹ"},   {"野田", "ﾉﾀﾞ"},   {"荒木", "ｱﾗｷ"},     {"大谷", "ｵｵﾀﾆ"},    {"内藤", "ﾅｲﾄｳ"},
    {"松浦", "ﾏﾂｳﾗ"},  {"熊谷", "ｸﾏｶﾞｲ"}, {"黒田", "ｸﾛﾀﾞ"},    {"尾崎", "ｵｻﾞｷ"},    {"永田", "ﾅｶﾞﾀ"},
    {"川村", "ｶﾜﾑﾗ"},  {"望月", "ﾓﾁﾂﾞｷ"}, {"田辺", "ﾀﾅﾍﾞ"},    {"松村", "ﾏﾂﾑﾗ"},    {"荒井", "ｱﾗｲ"},
    {"堀", "ﾎﾘ"},      {"大島", "ｵｵｼﾏ"},  {"平井", "ﾋﾗｲ"},     {"早川", "ﾊﾔｶﾜ"},    {"菅野", "ｶﾝﾉ"},
    {"栗原", "ｸﾘﾊﾗ"},  {"西山", "ﾆｼﾔﾏ"},  {"広瀬", "ﾋﾛｾ"},     {"横田", "ﾖｺﾀ"},     {"石橋", "ｲｼﾊﾞｼ"},
    {"萩原", "ﾊｷﾞﾜﾗ"}, {"岩本", "ｲﾜﾓﾄ"},  {"片山", "ｶﾀﾔﾏ"},    {"関口", "ｾｷｸﾞﾁ"},   {"宮田", "ﾐﾔﾀ"},
    {"大石", "ｵｵｲｼ"},  {"本間", "ﾎﾝﾏ"},   {"須藤", "ｽﾄﾞｳ"},    {"高山", "ﾀｶﾔﾏ"},    {"岡崎", "ｵｶｻﾞｷ"},
    {"小田", "ｵﾀﾞ"},   {"伊東", "ｲﾄｳ"},   {"鎌田", "ｶﾏﾀ"},     {"上原", "ｳｴﾊﾗ"},    {"篠原", "ｼﾉﾊﾗ"},
    {"小西", "ｺﾆｼ"},   {"松原", "ﾏﾂﾊﾞﾗ"}, {"福井", "ﾌｸｲ"},     {"古田", "ﾌﾙﾀ"},     {"大和田", "ｵｵﾜﾀﾞ"},
    {"能登", "ﾉﾄ"},
};

constexpr Pair kMale[] = {
    {"太郎", "ﾀﾛｳ"},   {"一郎", "ｲﾁﾛｳ"}, {"健太", "ｹﾝﾀ"},      {"翔太", "ｼｮｳﾀ"},  {"大輔", "ﾀﾞｲｽｹ"}, {"拓也", "ﾀｸﾔ"},
    {"直樹", "ﾅｵｷ"},   {"浩", "ﾋﾛｼ"},    {"誠", "ﾏｺﾄ"},        {"隆", "ﾀｶｼ"},     {"博", "ﾋﾛｼ"},     {"茂", "ｼｹﾞﾙ"},
    {"明", "ｱｷﾗ"},     {"清", "ｷﾖｼ"},    {"修", "ｵｻﾑ"},        {"健一", "ｹﾝｲﾁ"},  {"和也", "ｶｽﾞﾔ"},  {"達也", "ﾀﾂﾔ"},
    {"哲也", "ﾃﾂﾔ"},   {"雄一", "ﾕｳｲﾁ"}, {"剛", "ﾂﾖｼ"},        {"学", "ﾏﾅﾌﾞ"},    {"亮", "ﾘｮｳ"},     {"悠斗", "ﾕｳﾄ"},
    {"蓮", "ﾚﾝ"},      {"大翔", "ﾋﾛﾄ"},  {"陽翔", "ﾊﾙﾄ"},      {"湊", "ﾐﾅﾄ"},     {"颯太", "ｿｳﾀ"},   {"優斗", "ﾕｳﾄ"},
    {"翼", "ﾂﾊﾞｻ"},    {"健二", "ｹﾝｼﾞ"}, {"正樹", "ﾏｻｷ"},      {"秀樹", "ﾋﾃﾞｷ"},  {"英樹", "ﾋﾃﾞｷ"},  {"幸男", "ﾕｷｵ"},
    {"勝", "ﾏｻﾙ"},     {"豊", "ﾕﾀｶ"},    {"実", "ﾐﾉﾙ"},        {"進", "ｽｽﾑ"},     {"昭", "ｱｷﾗ"},     {"宏", "ﾋﾛｼ"},
    {"聡", "ｻﾄｼ"},     {"智也", "ﾄﾓﾔ"},  {"康弘", "ﾔｽﾋﾛ"},     {"正人", "ﾏｻﾄ"},   {"俊介", "ｼｭﾝｽｹ"}, {"洋平", "ﾖｳﾍｲ"},
    {"恭平", "ｷｮｳﾍｲ"}, {"慎吾", "ｼﾝｺﾞ"}, {"圭介", "ｹｲｽｹ"},     {"和彦", "ｶｽﾞﾋｺ"}, {"信之", "ﾉﾌﾞﾕｷ"}, {"孝", "ﾀｶｼ"},
    {"光男", "ﾐﾂｵ"},   {"義男", "ﾖｼｵ"},  {"龍之介", "ﾘｭｳﾉｽｹ"}, {"海斗", "ｶｲﾄ"},   {"航", "ﾜﾀﾙ"},     {"勇気", "ﾕｳｷ"},
};

constexpr Pair kFemale[] = {
    {"花子", "ﾊﾅｺ"},   {"洋子", "ﾖｳｺ"},   {"恵子", "ｹｲｺ"}, {"京子", "ｷｮｳｺ"},  {"幸子", "ｻﾁｺ"},   {"和子", "ｶｽﾞｺ"},
    {"久美子", "ｸﾐｺ"}, {"由美子", "ﾕﾐｺ"}, {"裕子", "ﾕｳｺ"}, {"美穂", "ﾐﾎ"},    {"直美", "ﾅｵﾐ"},   {"明美", "ｱｹﾐ"},
    {"真由美", "ﾏﾕﾐ"}, {"智子", "ﾄﾓｺ"},   {"陽子", "ﾖｳｺ"}, {"順子", "ｼﾞｭﾝｺ"}, {"節子", "ｾﾂｺ"},   {"優子", "ﾕｳｺ"},
    {"美香", "ﾐｶ"},    {"愛", "ｱｲ"},      {"舞", "ﾏｲ"},    {"彩", "ｱﾔ"},      {"麻衣", "ﾏｲ"},    {"沙織", "ｻｵﾘ"},
    {"香織", "ｶｵﾘ"},   {"美咲", "ﾐｻｷ"},   {"陽菜", "ﾋﾅ"},  {"結衣", "ﾕｲ"},    {"葵", "ｱｵｲ"},     {"さくら", "ｻｸﾗ"},
    {"凛", "ﾘﾝ"},      {"芽依", "ﾒｲ"},    {"結菜", "ﾕｲﾅ"}, {"莉子", "ﾘｺ"},    {"美優", "ﾐﾕ"},    {"千尋", "ﾁﾋﾛ"},
    {"奈々", "ﾅﾅ"},    {"由紀", "ﾕｷ"},    {"恵美", "ｴﾐ"},  {"理恵", "ﾘｴ"},    {"亜希子", "ｱｷｺ"}, {"友美", "ﾄﾓﾐ"},
    {"知子", "ﾄﾓｺ"},   {"典子", "ﾉﾘｺ"},   {"良子", "ﾖｼｺ"}, {"文子", "ﾌﾐｺ"},   {"静香", "ｼｽﾞｶ"},  {"綾香", "ｱﾔｶ"},
    {"千秋", "ﾁｱｷ"},   {"夏美", "ﾅﾂﾐ"},   {"春香", "ﾊﾙｶ"}, {"秋子", "ｱｷｺ"},   {"桃子", "ﾓﾓｺ"},   {"美紀", "ﾐｷ"},
    {"早苗", "ｻﾅｴ"},   {"瞳", "ﾋﾄﾐ"},     {"紀子", "ﾉﾘｺ"}, {"ひとみ", "ﾋﾄﾐ"}, {"晴美", "ﾊﾙﾐ"},   {"真理子", "ﾏﾘｺ"},
};

constexpr const char* kCity[] = {
    "東京都世田谷区",     "東京都練馬区",       "東京都八王子市",     "神奈川県横浜市港北区",   "神奈川県川崎市中原区",
    "大阪府大阪市北区",   "大阪府堺市堺区",     "愛知県名古屋市中区", "埼玉県さいたま市浦和区", "千葉県船橋市",
    "兵庫県神戸市中央区", "北海道札幌市中央区", "福岡県福岡市博多区", "静岡県浜松市中央区",     "広島県広島市南区",
    "宮城県仙台市青葉区", "京都府京都市左京区", "新潟県十日町市",     "長野県松本市",           "岡山県倉敷市",
    "熊本県熊本市中央区", "鹿児島県鹿児島市",   "沖縄県那覇市",       "茨城県水戸市",           "栃木県宇都宮市",
    "群馬県高崎市",       "岐阜県岐阜市",       "三重県四日市市",     "滋賀県大津市",           "奈良県奈良市",
    "石川県金沢市",       "富山県富山市",       "香川県高松市",       "愛媛県松山市",
};

constexpr const char* kTown[] = {
    "本町", "中央",   "栄町", "旭町", "緑町", "桜台", "東町", "西町", "南町",   "北町",     "宮前",
    "若葉", "大手町", "幸町", "新町", "元町", "駅前", "春日", "柳町", "松が丘", "日の出町", "港町",
};

// Between family and given name. An original gets one of the first three, a
// duplicate any other one than its original: absent, half-width, full-width,
// doubled half-width, doubled full-width, mixed.
constexpr const char* kSpacing[] = {"", " ", "　", "  ", "　　", " 　"};
constexpr int kSpacingCount = 6;
constexpr int kOriginalSpacingCount = 3;

constexpr const char* kChome = "丁目";

// ---------------------------------------------------------------------------

std::string to_cp932(const char* utf8) {
    static iconv_t cd = [] {
        iconv_t c = iconv_open("CP932", "UTF-8");
        if (c == (iconv_t)-1) {
            std::perror("generate-members: iconv_open CP932");
            std::exit(1);
        }
        return c;
    }();
    std::string in(utf8), out(in.size() * 2 + 4, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    if (iconv(cd, &ip, &il, &op, &ol) == (size_t)-1) {
        std::fprintf(stderr, "generate-members: cannot convert \"%s\" to cp932\n", utf8);
        std::exit(1);
    }
    out.resize(out.size() - ol);
    // The benchmark's byte-level tools remove every 0x81 0x40 they find. That
    // is only the same as removing full-width spaces while no double-byte
    // character with trail byte 0x81 is followed by a one-byte '@', so the data
    // has no one-byte '@' at all (a trail byte 0x40, as in 蓮, is harmless).
    // Nor a one-byte comma: the fields are not quoted.
    for (size_t k = 0; k < out.size(); ++k) {
        unsigned char c = (unsigned char)out[k];
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            ++k;  // skip the trail byte
        } else if (c == '@' || c == ',') {
            std::fprintf(stderr, "generate-members: \"%s\" has a character the tools split on\n", utf8);
            std::exit(1);
        }
    }
    return out;
}

struct Word {
    std::string kanji, kana;
};

struct Tables {
    std::vector<Word> family, male, female;
    std::vector<std::string> city, town, spacing;
    std::string chome;
};

template <size_t N>
std::vector<Word> convert(const Pair (&pairs)[N]) {
    std::vector<Word> v;
    for (const Pair& p : pairs) v.push_back({to_cp932(p.kanji), to_cp932(p.kana)});
    return v;
}

template <size_t N>
std::vector<std::string> convert(const char* const (&words)[N]) {
    std::vector<std::string> v;
    for (const char* w : words) v.push_back(to_cp932(w));
    return v;
}

// splitmix64: cheap, well mixed, and all the generator needs for hashing a
// (seed, record, purpose) triple into a stream of numbers.
constexpr uint64_t mix(uint64_t x) {
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

struct Rng {
    uint64_t state;
    Rng(uint64_t seed, uint64_t n, uint64_t purpose) : state(mix(mix(seed ^ purpose) + n)) {}
    uint64_t next() { return mix(state += 0x632be59bd9b4e019ULL); }
    uint32_t below(uint32_t n) { return uint32_t(((next() >> 32) * n) >> 32); }
    double unit() { return double(next() >> 11) * 0x1.0p-53; }
};

enum Purpose : uint64_t { kPerson = 1, kRecord = 2, kIsDup = 3, kPickOriginal = 4 };

struct Options {
    uint64_t records = 100000;
    int files = 2;
    double dup_share = 0.1;
    uint64_t seed = 1;
    std::string out = ".";
};

struct Person {
    const Word* family;
    const Word* given;
    int year, month, day, gender, spacing;
};

class Generator {
public:
    Generator(const Options& o, const Tables& t) : o_(o), t_(t) {}

    bool is_dup(uint64_t i) const { return Rng(o_.seed, i, kIsDup).unit() < o_.dup_share; }

    Person person(uint64_t i) const {
        Rng r(o_.seed, i, kPerson);
        Person p;
        p.gender = 1 + int(r.below(2));
        p.family = &t_.family[r.below(uint32_t(t_.family.size()))];
        const auto& given = p.gender == 1 ? t_.male : t_.female;
        p.given = &given[r.below(uint32_t(given.size()))];
        p.year = 1940 + int(r.below(70));
        p.month = 1 + int(r.below(12));
        p.day = 1 + int(r.below(uint32_t(days_in_month(p.year, p.month))));
        p.spacing = int(r.below(kOriginalSpacingCount));
        return p;
    }

    // Appends record i (0-based over all files) with its CR LF.
    void record(uint64_t i, std::string& out) const {
        Person p;
        if (is_dup(i)) {
            // Same person as some original record anywhere in the data set, written
            // with a spacing of its own. Hashing until an original turns up ends
            // quickly for any share below 1.
            Rng pick(o_.seed, i, kPickOriginal);
            uint64_t j;
            do j = pick.next() % o_.records;
            while (j == i || is_dup(j));
            p = person(j);
            p.spacing = (p.spacing + 1 + int(pick.below(kSpacingCount - 1))) % kSpacingCount;
        } else {
            p = person(i);
        }
        Rng r(o_.seed, i, kRecord);

        number(out, 10000001 + i, 8);
        out += ',';
        out += p.family->kanji;
        out += t_.spacing[p.spacing];
        out += p.given->kanji;
        out += ',';
        number(out, p.year, 4);
        out += '/';
        number(out, p.month, 2);
        out += '/';
        number(out, p.day, 2);
        out += ',';
        out += p.family->kana;
        out += ' ';
        out += p.given->kana;
        out += ',';
        out += char('0' + p.gender);
        out += ",0";
        out += char('7' + r.below(3));
        out += "0-";
        number(out, r.below(10000), 4);
        out += '-';
        number(out, r.below(10000), 4);
        out += ',';
        number(out, r.below(1000), 3);
        out += '-';
        number(out, r.below(10000), 4);
        out += ',';
        out += t_.city[r.below(uint32_t(t_.city.size()))];
        out += t_.town[r.below(uint32_t(t_.town.size()))];
        number(out, 1 + r.below(9), 1);
        if (r.below(2)) {
            out += t_.chome;
        } else {
            out += '-';
        }
        number(out, 1 + r.below(30), 0);
        out += '-';
        number(out, 1 + r.below(20), 0);
        out += "\r\n";
    }

private:
    static int days_in_month(int y, int m) {
        static constexpr int d[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        return m == 2 && leap ? 29 : d[m - 1];
    }

    // Decimal, zero-padded to width (0: no padding). snprintf would do, but it
    // costs more than the whole rest of a record.
    static void number(std::string& out, uint64_t v, int width) {
        char buf[24];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
        for (int pad = width - int(end - buf); pad > 0; --pad) out += '0';
        out.append(buf, end);
    }

    const Options& o_;
    const Tables& t_;
};

bool write_file(const Generator& g, const std::string& path, uint64_t first, uint64_t last) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        return false;
    }
    std::string buf;
    buf.reserve(1 << 21);
    bool ok = true;
    for (uint64_t i = first; i < last && ok; ++i) {
        g.record(i, buf);
        if (buf.size() >= (1 << 20) || i + 1 == last) {
            ok = std::fwrite(buf.data(), 1, buf.size(), f) == buf.size();
            buf.clear();
        }
    }
    if (std::fclose(f) != 0) ok = false;
    if (!ok) std::perror(path.c_str());
    return ok;
}

[[noreturn]] void usage(int code) {
    std::fprintf(code ? stderr : stdout,
                 "usage: generate-members [--records N] [--files F] [--dup-share S] [--seed X] [--out DIR]\n"
                 "  Writes DIR/members1.csv .. DIR/membersF.csv in cp932, CR LF, no header:\n"
                 "  N records in all (default 100000), split evenly over F files (default 2);\n"
                 "  a share S of them (default 0.1) repeat a person from any file with other\n"
                 "  spacing in the name. Cross key: fields 2-3 (name, birth date).\n");
    std::exit(code);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int a = 1; a < argc; ++a) {
        std::string_view arg = argv[a];
        if (arg == "-h" || arg == "--help") usage(0);
        if (a + 1 >= argc) usage(2);
        const char* v = argv[++a];
        char* end = nullptr;
        if (arg == "--records")
            o.records = std::strtoull(v, &end, 10);
        else if (arg == "--files")
            o.files = int(std::strtol(v, &end, 10));
        else if (arg == "--dup-share")
            o.dup_share = std::strtod(v, &end);
        else if (arg == "--seed")
            o.seed = std::strtoull(v, &end, 10);
        else if (arg == "--out")
            o.out = v;
        else
            usage(2);
        if (end && *end) usage(2);
    }
    if (o.records < 2 || o.files < 1 || o.dup_share < 0 || o.dup_share >= 1) usage(2);

    Tables t{convert(kFamily), convert(kMale),    convert(kFemale), convert(kCity),
             convert(kTown),   convert(kSpacing), to_cp932(kChome)};
    Generator g(o, t);

    std::error_code ec;
    std::filesystem::create_directories(o.out, ec);
    if (ec) {
        std::fprintf(stderr, "generate-members: %s: %s\n", o.out.c_str(), ec.message().c_str());
        return 1;
    }

    // One thread per file, at most as many at once as there are cores.
    int parallel = std::max(1, std::min<int>(o.files, int(std::thread::hardware_concurrency())));
    std::vector<char> ok(size_t(o.files), 0);
    for (int base = 0; base < o.files; base += parallel) {
        std::vector<std::thread> threads;
        for (int f = base; f < std::min(o.files, base + parallel); ++f) {
            uint64_t first = o.records * uint64_t(f) / uint64_t(o.files);
            uint64_t last = o.records * uint64_t(f + 1) / uint64_t(o.files);
            std::string path = o.out + "/members" + std::to_string(f + 1) + ".csv";
            threads.emplace_back([&, f, first, last, path] { ok[size_t(f)] = write_file(g, path, first, last); });
        }
        for (auto& th : threads) th.join();
    }
    return std::all_of(ok.begin(), ok.end(), [](char c) { return c != 0; }) ? 0 : 1;
}
