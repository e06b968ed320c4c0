// The products the demo store opens with. Every name, maker and text here
// is invented. The mix is deliberate: names with accents, an ampersand, an
// apostrophe, characters outside Windows-1252, summaries with markup and
// entities, and a dozen products whose pages still come from the store's
// older Windows-1252 part.

#include "store_product.h"

namespace zelvon::demo {
namespace {

struct Seed {
    const char* id;
    const char* name;
    const char* company;
    const char* category;
    int priceCents;
    int ratingTenths;
    int reviews;
    int sizeKb;
    int salesRank;
    bool legacyPage;
    const char* summary;
    std::vector<Release> releases;
};

Product fromSeed(const Seed& s) {
    Product p;
    p.id = s.id;
    p.name = s.name;
    p.company = s.company;
    p.category = s.category;
    p.priceCents = s.priceCents;
    p.ratingTenths = s.ratingTenths;
    p.reviews = s.reviews;
    p.sizeKb = s.sizeKb;
    p.salesRank = s.salesRank;
    p.legacyPage = s.legacyPage;
    p.summary = s.summary;
    p.releases = s.releases;
    return p;
}

constexpr bool kUtf8 = false;
constexpr bool kLegacy = true;

} // namespace

const std::vector<Category>& storeCategories() {
    static const std::vector<Category> categories = {
        {"productivity", "Business & Productivity"},
        {"games", "Games"},
        {"utilities", "Utilities"},
        {"multimedia", "Multimedia"},
        {"travel", "Travel & Maps"},
        {"finance", "Finance"},
        {"reference", "Reference & Education"},
        {"development", "Developer Tools"},
    };
    return categories;
}

std::vector<Product> seedProducts() {
    const std::vector<Seed> seeds = {
        // Business & Productivity
        {"10412", "Crème Notes", "Lumen & Vale", "productivity", 1995, 43, 118, 412, 1, kUtf8,
         "Notes in ink, voice or type, kept in folders &amp; found again in an instant.",
         {{"2.4.1", "03/14/2005", "Fixes lost ink strokes after a soft reset."},
          {"2.4", "01/10/2005", "Voice notes and <b>coloured folders</b>."}}},
        {"10527", "Bürokrat Pro", "Feldmark Software", "productivity", 2495, 39, 64, 688, 0, kLegacy,
         "Forms, stamps and filing for the mobile office – now with <b>PDF export</b>",
         {{"5.0.2", "02/21/2005", "Stamps keep their colour when printed."},
          {"5.0", "11/30/2004", "PDF export."}}},
        {"10533", "Notes & Sketches", "Inkwell Labs", "productivity", 995, 40, 37, 256, 0, kUtf8,
         "Sketch pads and lined notes side by side.<br>Export to PNG or plain text.",
         {{"1.2", "03/07/2005", "Lined paper in four colours."},
          {"1.1", "12/02/2004", "PNG export."}}},
        {"10549", "Zoë's Garden Planner", "Brightfern Software", "productivity", 1495, 46, 203, 530, 4, kUtf8,
         "Plan beds, sowing dates &amp; harvests; reminders tell you when to water.",
         {{"2.0.3", "03/04/2005", "Frost warnings for your region."},
          {"2.0", "10/18/2004", "A new planting calendar."}}},
        {"10561", "Mañana Tasks", "Quetzal Mobile", "productivity", 1200, 41, 88, 198, 0, kLegacy,
         "To-do lists that put off what can wait until <b>tomorrow</b>",
         {{"1.6", "01/27/2005", "Snooze a task for a week."}}},
        {"10588", "PocketLedger Timesheets", "Ardent Byte", "productivity", 2995, 37, 21, 340, 0, kUtf8,
         "Track hours per client and project.<br>Invoices in one tap.",
         {{"3.1", "12/15/2004", "Invoices in euros and pounds."}}},
        {"10602", "Quillpad Outliner", "Lumen & Vale", "productivity", 995, 44, 75, 180, 0, kUtf8,
         "Collapsible outlines for plans, lectures and packing lists.",
         {{"1.9", "11/08/2004", "Drag whole branches with the stylus."}}},
        {"10615", "Meeting Minder", "Corvid Apps", "productivity", 795, 35, 19, 144, 0, kUtf8,
         "Agendas, attendees and action items for every meeting.",
         {{"1.0.4", "09/21/2004", "First release."}}},
        {"10629", "Smart Keys Keyboard", "Tallowick Software", "productivity", 1495, 42, 140, 96, 6, kLegacy,
         "Word completion that learns as you type – with “smart quotes” built in.",
         {{"2.2", "02/14/2005", "Learns names from your contacts."},
          {"2.1", "11/22/2004", "Smart quotes."}}},
        {"10633", "Contact Cards Plus", "Pocketwise Labs", "productivity", 1195, 38, 52, 220, 0, kUtf8,
         "Big, tappable contact cards with photos &amp; one-tap dialing.",
         {{"2.0", "10/05/2004", "Photos on every card."}}},

        // Games
        {"20104", "Señor Sudoku", "Quetzal Mobile", "games", 695, 45, 310, 350, 2, kUtf8,
         "Over 1,000 puzzles in five levels, with pencil marks &amp; hints.",
         {{"3.2", "03/11/2005", "Killer sudoku."},
          {"3.1", "12/20/2004", "Pencil marks in colour."}}},
        {"20117", "Pocket Chess Master", "Kestrel Mobile", "games", 1995, 44, 221, 1240, 3, kUtf8,
         "A strong chess engine that fits in your pocket.<br>Twelve levels, from beginner to club player.",
         {{"4.0.1", "02/25/2005", "Faster at the two lowest levels."},
          {"4.0", "01/31/2005", "New engine &amp; opening book."}}},
        {"20121", "Chess Puzzles Daily", "Kestrel Mobile", "games", 495, 40, 45, 380, 0, kUtf8,
         "A new mate-in-two every day, and 500 classics to start with.",
         {{"1.3", "12/09/2004", "500 more classics."}}},
        {"20138", "Ælfheim Quest", "Runestone Games", "games", 1795, 47, 189, 4200, 5, kUtf8,
         "Explore the nine realms in a turn-based role-playing adventure.",
         {{"1.2", "01/19/2005", "The ninth realm opens."}}},
        {"20142", "Tidewater Solitaire", "Harbourlight Games", "games", 595, 41, 97, 210, 0, kUtf8,
         "Twenty solitaire games with big cards made for the stylus.",
         {{"2.5", "11/15/2004", "Four new games."}}},
        {"20156", "Bubble Bay", "Harbourlight Games", "games", 995, 39, 58, 1600, 0, kUtf8,
         "Pop the bubbles before the tide comes in; 60 levels.",
         {{"1.4", "02/23/2005", "Twenty new levels."}}},
        {"20175", "Pocket Backgammon", "Kestrel Mobile", "games", 995, 42, 66, 300, 0, kUtf8,
         "Play the computer or a friend; match play and doubling cube included.",
         {{"2.0", "10/27/2004", "Match play."}}},
        {"20189", "Starfold Mahjong", "Sakuragi Soft", "games", 795, 40, 41, 1800, 0, kUtf8,
         "Classic tile matching with 120 layouts.",
         {{"1.7", "12/01/2004", "Thirty new layouts."}}},
        {"20192", "Crossword Café", "Lumen & Vale", "games", 695, 43, 77, 900, 0, kLegacy,
         "Fresh crosswords every week – café-sized, solved on the bus.",
         {{"2.3", "01/24/2005", "Cryptic crosswords."}}},
        {"20207", "Pinball Nocturne", "Ostrander Interactive", "games", 1295, 36, 29, 3100, 0, kUtf8,
         "Three night-themed tables with real ball physics.",
         {{"1.1", "11/03/2004", "Tilt with the hardware keys."}}},
        {"20214", "Word Lattice", "Corvid Apps", "games", 495, 41, 50, 150, 0, kUtf8,
         "Find words in a growing lattice of letters before time runs out.",
         {{"1.5", "12/28/2004", "A relaxed mode without the clock."}}},
        {"20228", "Galley Racer 3D", "Ostrander Interactive", "games", 1495, 38, 44, 5200, 0, kUtf8,
         "Race rowing galleys down rivers in full 3D.",
         {{"1.0", "10/11/2004", "First release."}}},

        // Utilities
        {"30311", "Battery Sentinel", "Pocketwise Labs", "utilities", 495, 44, 260, 64, 7, kUtf8,
         "Shows what drains your battery <b>and stops it</b>",
         {{"1.8", "03/02/2005", "Warns before the backup battery runs low."},
          {"1.7", "12/13/2004", "A today-screen gauge."}}},
        {"30325", "€uro Pocket Converter", "Feldmark Software", "utilities", 395, 40, 71, 90, 0, kLegacy,
         "Converts between the € and 40 currencies; rates update over the air.",
         {{"3.0", "01/14/2005", "Forty currencies."}}},
        {"30338", "File Harbor", "Ardent Byte", "utilities", 1995, 42, 133, 410, 0, kUtf8,
         "An Explorer-style file manager with zip support &amp; tabs.",
         {{"2.6", "02/02/2005", "Tabs."}}},
        {"30342", "Memory Sweep", "Pocketwise Labs", "utilities", 695, 37, 48, 72, 0, kUtf8,
         "Frees program memory by closing programs you are not using.",
         {{"1.2", "10/22/2004", "Keeps a list of programs never to close."}}},
        {"30356", "Registry Lens", "Tallowick Software", "utilities", 995, 39, 22, 120, 0, kUtf8,
         "Browse and edit the device registry safely: every change can be undone.",
         {{"1.4", "11/19/2004", "Undo for every change."}}},
        {"30361", "Backup Burrow", "Ardent Byte", "utilities", 1795, 45, 91, 280, 0, kUtf8,
         "Scheduled backups of files, contacts &amp; settings to a storage card.",
         {{"2.1", "01/05/2005", "Nightly backups."}}},
        {"30379", "Screen Snap", "Corvid Apps", "utilities", 295, 41, 39, 40, 0, kUtf8,
         "Screenshots with a timer, saved straight to a folder.",
         {{"1.1", "09/30/2004", "A ten-second timer."}}},
        {"30384", "Wi-Fi Compass", "Kestrel Mobile", "utilities", 0, 43, 152, 110, 0, kUtf8,
         "Finds wireless networks nearby and shows their signal strength.",
         {{"1.0.2", "12/06/2004", "Shows the channel of every network."}}},
        {"30392", "Stylus Tuner", "Tallowick Software", "utilities", 395, 34, 12, 30, 0, kLegacy,
         "Re-calibrates a drifting touch screen in five taps.",
         {{"1.0", "08/30/2004", "First release."}}},
        {"30405", "Clipboard Keeper", "Inkwell Labs", "utilities", 495, 40, 27, 60, 0, kUtf8,
         "Keeps the last 50 things you copied, ready to paste again.",
         {{"1.3", "11/26/2004", "Pinned clippings."}}},

        // Multimedia
        {"40118", "Tuneloft Player", "Sonnet Audio", "multimedia", 1495, 44, 176, 820, 10, kUtf8,
         "Plays MP3, Ogg &amp; WMA with a 10-band equaliser and skins.",
         {{"3.5", "02/09/2005", "Gapless playback."},
          {"3.4", "11/11/2004", "Ogg support."}}},
        {"40123", "Photo Atelier", "Brightfern Software", "multimedia", 1995, 41, 60, 1100, 0, kUtf8,
         "Crop, straighten and retouch photos right on the device.",
         {{"1.6", "01/12/2005", "Red-eye removal."}}},
        {"40137", "Voice Memo Deluxe", "Sonnet Audio", "multimedia", 795, 39, 35, 150, 0, kUtf8,
         "Crystal-clear recordings, with bookmarks for the moments that matter.",
         {{"2.0", "10/14/2004", "Bookmarks."}}},
        {"40141", "Podcast Drifter", "Sonnet Audio", "multimedia", 995, 40, 28, 260, 0, kUtf8,
         "Subscribe to podcasts and download new episodes over Wi-Fi.",
         {{"1.1", "02/16/2005", "Downloads only on Wi-Fi, if you like."}}},
        {"40159", "Slideshow Studio", "Brightfern Software", "multimedia", 1295, 36, 17, 700, 0, kLegacy,
         "Turn albums into slideshows with music and fades – no desktop needed.",
         {{"1.2", "12/17/2004", "Cross-fades."}}},
        {"40162", "Metronome Maestoso", "Sonnet Audio", "multimedia", 395, 46, 40, 50, 0, kUtf8,
         "An accurate metronome with accents, subdivisions &amp; tap tempo.",
         {{"1.4", "01/21/2005", "Tap tempo."}}},
        {"40176", "Comic Reader Nook", "Ostrander Interactive", "multimedia", 595, 42, 31, 340, 0, kUtf8,
         "Reads CBZ &amp; CBR comics panel by panel.",
         {{"1.0.1", "11/29/2004", "Remembers the last page read."}}},

        // Travel & Maps
        {"50213", "Łódź Transit", "Vistula Mobile", "travel", 495, 40, 18, 900, 9, kUtf8,
         "Tram and bus timetables for Łódź, offline.",
         {{"1.1", "02/28/2005", "The spring timetable."},
          {"1.0", "10/01/2004", "First release."}}},
        {"50228", "Vistula Rail Guide", "Vistula Mobile", "travel", 795, 38, 14, 1500, 0, kLegacy,
         "Timetables for Warszawa, Kraków, Gdańsk and Łódź – works offline.",
         {{"2.0", "01/03/2005", "Gdańsk and Łódź."}}},
        {"50231", "Ærø Ferry Times", "Nordvik Apps", "travel", 0, 45, 22, 120, 0, kUtf8,
         "Every ferry to and from Ærø, with delays sent by text message.",
         {{"1.3", "03/18/2005", "Delays by text message."},
          {"1.2", "12/10/2004", "The winter timetable."}}},
        {"50245", "TripLog Mileage", "Pocketwise Labs", "travel", 995, 41, 64, 180, 0, kUtf8,
         "Logs business trips &amp; mileage for your tax return.",
         {{"2.2", "01/28/2005", "Export for your tax return."}}},
        {"50259", "Phrasebook Polyglot", "Lingofold", "travel", 1495, 42, 55, 2600, 0, kUtf8,
         "2,500 phrases in twelve languages, spoken by native speakers.",
         {{"1.5", "12/22/2004", "Portuguese and Greek."}}},
        {"50264", "Garçon Tip Calculator", "Feldmark Software", "travel", 195, 39, 80, 30, 0, kLegacy,
         "Splits the bill and works out the tip, with local customs for 60 countries.",
         {{"1.2", "11/05/2004", "Customs for 60 countries."}}},
        {"50277", "Night Sky Atlas", "Orrery Works", "travel", 1695, 47, 120, 3800, 0, kUtf8,
         "Point your device at the sky: 10,000 stars &amp; every planet, labelled.",
         {{"2.1", "02/11/2005", "Planet positions to 2020."}}},

        // Finance
        {"60115", "PocketLedger Money", "Ardent Byte", "finance", 2495, 43, 145, 520, 11, kUtf8,
         "Accounts, budgets and reports that sync with your desktop finance program.",
         {{"4.2", "01/18/2005", "Budgets by category."}}},
        {"60128", "Loan Lens", "Tallowick Software", "finance", 495, 38, 20, 60, 0, kUtf8,
         "Compare loans and see every payment in an amortisation table.",
         {{"1.1", "10/08/2004", "Compare three loans at once."}}},
        {"60132", "Stock Ticker Pal", "Corvid Apps", "finance", 995, 35, 33, 140, 0, kUtf8,
         "Quotes &amp; charts for your portfolio, refreshed every 15 minutes.",
         {{"2.0", "12/03/2004", "Charts."}}},
        {"60147", "Receipt Shoebox", "Inkwell Labs", "finance", 695, 40, 26, 210, 0, kUtf8,
         "Photograph receipts and file them by month &amp; category.",
         {{"1.2", "01/07/2005", "Monthly folders."}}},
        {"60151", "Smörgås Budget", "Nordvik Apps", "finance", 595, 41, 19, 170, 0, kLegacy,
         "A household budget as simple as a smörgåsbord – pick what you need.",
         {{"1.0", "09/14/2004", "First release."}}},
        {"60166", "Fuel Economy Tracker", "Pocketwise Labs", "finance", 295, 42, 41, 80, 0, kUtf8,
         "Track fill-ups and see your car's real fuel economy.",
         {{"1.3", "11/17/2004", "Miles or kilometres."}}},

        // Reference & Education
        {"70104", "Kanji Flash 漢字", "Sakuragi Soft", "reference", 895, 43, 33, 2300, 8, kUtf8,
         "Learn 2,000 kanji with spaced repetition and stroke-order (書き順) animations.",
         {{"2.1", "03/16/2005", "Stroke-order animations."},
          {"2.0", "12/12/2004", "Spaced repetition."}}},
        {"70118", "Pocket Thesaurus", "Lingofold", "reference", 1195, 43, 66, 2900, 0, kUtf8,
         "150,000 synonyms &amp; antonyms, offline.",
         {{"3.0", "10/25/2004", "Antonyms."}}},
        {"70125", "Periodic Table Pro", "Orrery Works", "reference", 495, 46, 38, 300, 0, kUtf8,
         "Every element with its properties, isotopes &amp; history.",
         {{"1.8", "01/09/2005", "Isotopes."}}},
        {"70139", "Bird Song Field Guide", "Orrery Works", "reference", 1995, 44, 47, 6100, 0, kUtf8,
         "Recordings and pictures of 400 birds, searchable by colour &amp; size.",
         {{"1.2", "12/30/2004", "Search by colour and size."}}},
        {"70146", "Medical Abbreviations", "Lingofold", "reference", 795, 40, 15, 400, 0, kLegacy,
         "12,000 abbreviations used in hospitals – in English, Français and Español.",
         {{"2.4", "01/26/2005", "French and Spanish."}}},

        // Developer Tools
        {"80107", "TagPad HTML Editor", "Inkwell Labs", "development", 1495, 39, 23, 330, 0, kUtf8,
         "Edit &lt;table&gt; layouts and CSS on the go; preview in one tap.",
         {{"1.5", "03/09/2005", "CSS colouring."},
          {"1.4", "12/14/2004", "Preview in one tap."}}},
        {"80112", "Pocket Regex Lab", "Tallowick Software", "development", 595, 42, 12, 70, 0, kUtf8,
         "Test regular expressions like ^\\d+$ against your own text.",
         {{"1.0", "11/01/2004", "First release."}}},
        {"80129", "SQL Pocket Console", "Ardent Byte", "development", 1995, 37, 9, 450, 0, kUtf8,
         "Query SQL CE databases on the device &amp; export results as CSV.",
         {{"1.1", "02/04/2005", "CSV export."}}},
    };

    std::vector<Product> products;
    products.reserve(seeds.size());
    for (const Seed& seed : seeds)
        products.push_back(fromSeed(seed));
    return products;
}

} // namespace zelvon::demo
