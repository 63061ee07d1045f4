#include "VoiceNameTables.h"

namespace VoiceNameTables {

// Yamaha PROM, bank Preset 1.
const std::array<const char *, 128> YamahaPreset1 = {
    "Mad Tube", "VintgLd",  "SpaceZoo", "GuitHero", "StoneHng", "Whizzer",  "SimpleBa", "ClavBass",
    "SuperBas", "New Slap", "RockPigs", "Igneous",  "50 / 50",  "Cybastrg", "Wynth",    "BuzzSaw",
    "ZubZub",   "Blue",     "OsciLead", "SqrLead",  "Bigger",   "AnaSquid", "SharpSyn", "AnaWave",
    "AnaWurl",  "Babalog",  "FngrBass", "Upright",  "Fnground", "Birdland", "FlageoBs", "DampBass",
    "Fretles!", "Frtles!2", "ThumBass", "RockBass", "SmooBass", "WarmBass", "YamaBass", "Box Bass",
    "BassCab",  "FruitBas", "AcidBas!", "SqrBass!", "PulsClav", "MogueBas", "BoppaBas", "BuzzrBas",
    "MuteHrBs", "TekBass",  "TranzBas", "Chamlion", "ParaSynB", "SteamBas", "BooBass",  "WhelkBas",
    "AtackSyn", "Q.Klav",   "Sitar!",   "India",    "YamSteel", "StungSt",  "Mu",       "Waterphn",
    "DinoPerc", "Formula",  "Jurassic", "Devil",    "SpcHorse", "Jason",    "Suedhead", "Spanish",
    "JazzGtr!", "JazzyGtr", "L7 Pluck", "WetPluck", "Comp Gtr", "FunkyGtr", "Thin Gtr", "Carlos",
    "Destiny",  "Gonzo",    "Grunge",   "Ossyncro", "Talk Box", "SyncLead", "Old Mini", "Fat Mini",
    "Parlapho", "SimpleSy", "Choronic", "SlitMinu", "SynHarmo", "Flaggoot", "SynSkex",  "ResoSqr",
    "WurliLd",  "FlatLead", "PhilTur",  "ChalPuls", "Pluck Ld", "Brassyn",  "AcoSynLd", "Moby",
    "Digitrn",  "LyricOff", "Rezzawi",  "Macro",    "Claribo",  "Binaphon", "MokoPipe", "AliBaba",
    "Persinet", "PicoPipe", "Gertrude", "Xynth",    "Duality",  "AltKwek",  "Softblow", "AlbaPipe",
    "Electrum", "Edgeopho", "BassCla!", "WX Clari", "WX Oboe",  "WX J Gtr", "Shakuha!", "LipClari",
};

// Yamaha PROM, bank Preset 2 (row 59 is a question mark and a blank).
const std::array<const char *, 128> YamahaPreset2 = {
    "Vento",    "Floboe",   "Sintax",   "Eastern",  "Trumpet!", "SoprSax!", "LiteAlto", "Trmbone!",
    "BtlFlute", "Air Sax",  "TenrSax!", "Coca",     "JetLpBow", "Viol Inn", "MuteCone", "BrethBow",
    "Trumpt!2", "FluglHr!", "Cornet",   "JzTrump",  "JzTrump2", "Flumpet",  "WXTrumpt", "MuteTp!",
    "MuteTp!2", "Melwbone", "NerzoBr",  "Horn!",    "Horn!2",   "NuHorne",  "WX Horn",  "Tuba!",
    "NuViolin", "C Violin", "BrtVioln", "MuteViol", "BrtViola", "ViolOutt", "Cello!",   "Eleanor",
    "Nu Cello", "Contrair", "DoublBow", "Piccolo!", "Piccol!2", "BowPicol", "C Flute",  "C Flute2",
    "JazFlute", "OakFlute", "BtlFlut2", "RzdeFlt",  "Flutuen",  "Nz Flute", "WX Shaku", "Pan Pipe",
    "PanPicol", "Bamboo",   "? ",       "Flurinet", "SoftReed", "Flurmod",  "Jhopali",  "Baroquen",
    "SquealAT", "NuSopSax", "CvSopSx",  "SoprPipe", "LiteSopr", "AnaSoprn", "NuAltSax", "SweetAlt",
    "AltoSax!", "HarpAlto", "HarpAlt2", "GlassAlt", "AcidSax",  "WackSax",  "NuTenrSx", "MildTenr",
    "Jazz Sax", "TenorSub", "BellMike", "GlasTenr", "FnkyTenr", "OldTenor", "BrtTenor", "BariSax!",
    "VoxoSaxo", "Oboe!",    "Oboe!2",   "Noboe",    "OboeWhi",  "DblReedy", "TripleRd", "EngHorn!",
    "Loboe",    "Bassoon!", "Clarint!", "LitePipe", "HyperCla", "Clarint2", "IslePipe", "Chanter",
    "ThaiReed", "Recordr!", "Claricrd", "SoftPipe", "BowedSaw", "Ocarina!", "Lonely",   "Ophelia",
    "Maysbe?",  "MizuHorn", "PicoStrg", "Sylophon", "BowLead",  "Squeeze",  "MouthKey", "AmpdHarp",
    "CromHarp", "WahUpHp",  "YamaBotl", "Blowsoo",  "Brappo",   "Crumbon",  "Klarina",  "ReedWin",
};

// Yamaha PROM, bank Custom.
const std::array<const char *, 6> YamahaCustom = {
    "Jurassic", "Formula", "Waterphn", "SpcHorse", "DinoPerc", "Jason",
};

// Yamaha PROM, bank Internal.
const std::array<const char *, 64> YamahaInternal = {
    "Air Sax",  "SoprSax!", "WahUpHp",  "LiteAlto", "AcoSynLd", "Nz Flute", "JzTrump",  "VintgLd",
    "TenorSub", "Trmbone!", "GuitHero", "PanPicol", "MuteTp!",  "YamaBotl", "Ophelia",  "CromHarp",
    "Andean",   "WX Oboe",  "WX Clari", "WXTrumpt", "WX Horn",  "WX J Gtr", "WX Shaku", "Grunge",
    "Rezzawi",  "LyricOff", "Digitrn",  "NerzoBr",  "Flurinet", "Blowsoo",  "Brappo",   "Crumbon",
    "Klarina",  "ReedWin",  "BrethBow", "DoublBow", "SoftReed", "AnaSoprn", "Pluck Ld", "Fat Mini",
    "Noboe",    "Bassoon!", "Recordr!", "Ocarina!", "Lonely",   "NuViolin", "OakFlute", "BowPicol",
    "TenrSax!", "MildTenr", "BrtTenor", "BariSax!", "Jazz Sax", "GlasTenr", "SweetAlt", "Pan Pipe",
    "Tuba!",    "FluglHr!", "Piccolo!", "EngHorn!", "Melwbone", "Viol Inn", "BassCla!", "Brassyn",
};

// Turbo VL PROM, bank Preset 1.
const std::array<const char *, 128> TurboPreset1 = {
    "Trumpet",  "Maynard",  "Alpert",   "Chet Tpt", "Lead Tpt", "ClassTpt", "StrMtTpt", "CupMtTpt",
    "WahMtTpt", "WaTptCC4", "HrmMtTpt", "Mute Tpt", "Picc.Tpt", "Cornet",   "Flugel",   "Mangione",
    "Trombone", "Big Bone", "BriteTbn", "ValveTbn", "Jam Bone", "Bass Tbn", "BcktMtTb", "DorseyTb",
    "WX Horn",  "BrassHrn", "BriteHrn", "ff Horn",  "OrchHorn", "New Horn", "Euphnium", "Tuba",
    "SoprnoSx", "KennyGee", "HeyKenG.", "Branford", "TraneSop", "BrtSopSx", "Alto Sax", "Sanborn",
    "BirdAlto", "ExprAlto", "Desmond",  "Koz Alto", "Everette", "NY Alto",  "NY Tenor", "TenorSax",
    "MBrecker", "PopTenor", "SoulTenr", "RaspyTnr", "Getz Tnr", "JobimTnr", "TenorSub", "Bari Sax",
    "TiteBari", "Sax Sect", "Air Sax",  "Saxual",   "Sanford",  "Piccolo",  "Flute",    "Real Flt",
    "SilvrFlt", "ClassFlt", "Nz Flute", "VoxFlute", "AquaFlut", "OakFlute", "Bass Flt", "Afri Flt",
    "PennyWhs", "TinWhist", "Flutofon", "Inca Flt", "Noze Flt", "Quena",    "Quena x2", "PanFlute",
    "Andean",   "Pan Pipe", "Bali Flt", "IndiaFlt", "Ambience", "WetFone",  "Maya Flt", "Shakuhat",
    "Bamboo",   "PanPicol", "Coca!!",   "Ocarina!", "Lonely",   "Recorder", "Clarinet", "JazzClar",
    "ClsClrnt", "Bs.Clrnt", "BrtBsClr", "Oboe",     "Eng.Horn", "SftEngHn", "Bassoon",  "Flurinet",
    "Crumbon",  "Klarina",  "ThaiReed", "Chanter",  "Digirdoo", "IslePipe", "SoftPipe", "LitePipe",
    "CelloSax", "YamaBotl", "Solo Vln", "DrkVioln", "BrtVioln", "SweetVln", "Fiddle",   "Viola",
    "SwtViola", "RosinVla", "Cello",    "SoloCell", "DrkCello", "Bow Bass", "HiStrEns", "Pizzicat",
};

// Turbo VL PROM, bank Preset 2.
const std::array<const char *, 128> TurboPreset2 = {
    "Harmonca", "MouthHrp", "BluesHrm", "Stevie!",  "Toots!",   "Accordn.", "Concrtna", "Jazz B3",
    "Clavinet", "Funky",    "SteelDrm", "VL Drums", "Yangchin", "Asia Plk", "JapanPlk", "Tambura",
    "Sitar",    "ElecHarp", "SteelGtr", "AcGuitar", "Flamenco", "SpainGtr", "NylonGtr", "SwtNylGt",
    "Les Gtr",  "Joe Pass", "FMGuitar", "Lucille",  ">>PAT<<",  "EFXStrat", "ClnStrat", "Surf Gtr",
    "Mute Gtr", "WahGtCC4", "PatSynGt", "BluesGtr", "Clapton",  "PopODGtr", "Carlos",   "TubeGtr!",
    "FET Guit", "Dist.Gtr", "Wah Lead", "Wah Dist", "GuitHero", "Eddie4th", "Feedback", "Hendrix",
    "TalkBox!", "!XTREME!", "Hercules", "SynClav",  "Syncro!",  "Theremin", "Avalana",  "Voxanne",
    "Beauty!",  "SpaceOut", "Ghost Ld", "PtchNoiz", "BreathTb", "Air Lead", "Breezer",  "ZawiLead",
    "Voxofone", "Whistler", "Debussy",  "Sines()",  "SmoothLd", "Slinky",   "AirStick", "RotoFone",
    "Vox Lead", "Squeezy",  "Lyricon",  "Ana.Lead", "Mobius",   "70s Lead", "Osc Lead", "Saw Lead",
    "SAWS/|/|", "ResoSaws", "EML Lead", "HPFilter", "EWI ARP",  "EWI Lead", "Koz Lead", "MattLead",
    "PATCHMAN", "Taurus",   "Phaser-{", "SynZilla", "MegaSyn",  "Winwood",  "Pulse Ld", "Corea!!",
    "SquareLd", "Korg Ld",  "LuckyMan", "Lyle",     "Analog",   "Nyle",     "Floyd Ld", "BorgHorn",
    "Freik",    "Fazar",    "Dungeon",  "NevrLand", "Brekord1", "Brekord2", "Brekord3", "ElecBass",
    "MotownBs", "SteinBas", "FunkBass", "PickBass", "SnapBass", "Thumb Bs", "TiteBass", "JacoBass",
    "StratoBs", "Sticky!",  "MuteBass", "Ac Bass",  "Juicy Bs", "GnarlyBs", "Moog Bs",  "Bass1000",
};

// Turbo VL PROM, bank Custom.
const std::array<const char *, 6> TurboCustom = {
    "Nz Flute", "ClassFlt", "Real Flt", "AquaFlut", "SilvrFlt", "OakFlute",
};

// Turbo VL PROM, bank Internal.
const std::array<const char *, 64> TurboInternal = {
    "Trumpet",  "Maynard",  "Chet Tpt", "ClassTpt", "HrmMtTpt", "Mangione", "Trombone", "BriteTbn",
    "DorseyTb", "WX Horn",  "BriteHrn", "Tuba",     "KennyGee", "TraneSop", "Alto Sax", "Desmond",
    "NY Alto",  "NY Tenor", "TenorSax", "MBrecker", "RaspyTnr", "Getz Tnr", "JobimTnr", "TiteBari",
    "Real Flt", "Nz Flute", "VoxFlute", "Quena x2", "PanFlute", "Ambience", "Clarinet", "BrtBsClr",
    "Bassoon",  "SweetVln", "Cello",    "BluesHrm", "Stevie!",  "Clavinet", "VL Drums", "SteelGtr",
    "SpainGtr", "Joe Pass", ">>PAT<<",  "ClnStrat", "PatSynGt", "PopODGtr", "GuitHero", "Avalana",
    "Ghost Ld", "Breezer",  "ZawiLead", "Squeezy",  "SAWS/|/|", "ResoSaws", "EML Lead", "HPFilter",
    "Korg Ld",  "Lyle",     "Fazar",    "Dungeon",  "Brekord3", "SteinBas", "MuteBass", "JacoBass",
};

// WindList PROM: rows of the Yamaha Preset 1 table it replaces.
const std::array<NameReplacement, 36> WindListPreset1 = {{
    {3, "Hey! Ken"},   {5, "Tenor12"},   {19, "Licorice"}, {36, "JazzFlut"},  {40, "Andean"},
    {41, "Sumo"},      {42, "MutedMil"}, {43, "Sax:Teno"}, {44, "C Flute"},   {46, "LastTrp"},
    {47, "Tenor13"},   {48, "Brecker"},  {49, "BassClar"}, {50, "Blues Ha"},  {51, "Clarinet"},
    {52, "x-Bari4"},   {53, "Sax:Sopr"}, {54, "x-Bari3"},  {55, "Full Cel"},  {56, "B. Harpe"},
    {57, "RealViol"},  {65, "kEWI 02"},  {66, "Joshua R"}, {67, "Zawinul1"},  {68, "Br:Tromb"},
    {69, "Br:Trump"},  {70, "Sax:Bari"}, {84, "Wind:Flu"}, {86, "ClearTrp"},  {91, "Alto 2+"},
    {92, "Tenor12e"},  {93, "kSawLead"}, {96, "DeepAlto"}, {101, "x-Flute1"}, {112, "Wanderin"},
    {117, "The Sidh"},
}};

// WindList PROM: rows of the Yamaha Preset 2 table it replaces.
const std::array<NameReplacement, 1> WindListPreset2 = {{
    {63, "Dweller"},
}};

} // namespace VoiceNameTables
