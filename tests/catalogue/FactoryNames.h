#pragma once

// The factory voice names as the instrument's documentation lists them: per bank,
// "| No. | Yamaha | WindList | Turbo VL |" for the presets and
// "| No. | Yamaha and WindList | Turbo VL |" for Custom and Internal. An empty
// WindList cell means the Yamaha name; "(note 1)" is SAWS/|/| and "(note 2)" a
// question mark followed by one blank.
inline constexpr const char *kFactoryNames = R"TABLE(
Preset 1:
| 1 | Mad Tube |  | Trumpet |
| 2 | VintgLd |  | Maynard |
| 3 | SpaceZoo | Hey! Ken | Alpert |
| 4 | GuitHero |  | Chet Tpt |
| 5 | StoneHng | Tenor12 | Lead Tpt |
| 6 | Whizzer |  | ClassTpt |
| 7 | SimpleBa |  | StrMtTpt |
| 8 | ClavBass |  | CupMtTpt |
| 9 | SuperBas |  | WahMtTpt |
| 10 | New Slap |  | WaTptCC4 |
| 11 | RockPigs |  | HrmMtTpt |
| 12 | Igneous |  | Mute Tpt |
| 13 | 50 / 50 |  | Picc.Tpt |
| 14 | Cybastrg |  | Cornet |
| 15 | Wynth |  | Flugel |
| 16 | BuzzSaw |  | Mangione |
| 17 | ZubZub |  | Trombone |
| 18 | Blue |  | Big Bone |
| 19 | OsciLead | Licorice | BriteTbn |
| 20 | SqrLead |  | ValveTbn |
| 21 | Bigger |  | Jam Bone |
| 22 | AnaSquid |  | Bass Tbn |
| 23 | SharpSyn |  | BcktMtTb |
| 24 | AnaWave |  | DorseyTb |
| 25 | AnaWurl |  | WX Horn |
| 26 | Babalog |  | BrassHrn |
| 27 | FngrBass |  | BriteHrn |
| 28 | Upright |  | ff Horn |
| 29 | Fnground |  | OrchHorn |
| 30 | Birdland |  | New Horn |
| 31 | FlageoBs |  | Euphnium |
| 32 | DampBass |  | Tuba |
| 33 | Fretles! |  | SoprnoSx |
| 34 | Frtles!2 |  | KennyGee |
| 35 | ThumBass |  | HeyKenG. |
| 36 | RockBass | JazzFlut | Branford |
| 37 | SmooBass |  | TraneSop |
| 38 | WarmBass |  | BrtSopSx |
| 39 | YamaBass |  | Alto Sax |
| 40 | Box Bass | Andean | Sanborn |
| 41 | BassCab | Sumo | BirdAlto |
| 42 | FruitBas | MutedMil | ExprAlto |
| 43 | AcidBas! | Sax:Teno | Desmond |
| 44 | SqrBass! | C Flute | Koz Alto |
| 45 | PulsClav |  | Everette |
| 46 | MogueBas | LastTrp | NY Alto |
| 47 | BoppaBas | Tenor13 | NY Tenor |
| 48 | BuzzrBas | Brecker | TenorSax |
| 49 | MuteHrBs | BassClar | MBrecker |
| 50 | TekBass | Blues Ha | PopTenor |
| 51 | TranzBas | Clarinet | SoulTenr |
| 52 | Chamlion | x-Bari4 | RaspyTnr |
| 53 | ParaSynB | Sax:Sopr | Getz Tnr |
| 54 | SteamBas | x-Bari3 | JobimTnr |
| 55 | BooBass | Full Cel | TenorSub |
| 56 | WhelkBas | B. Harpe | Bari Sax |
| 57 | AtackSyn | RealViol | TiteBari |
| 58 | Q.Klav |  | Sax Sect |
| 59 | Sitar! |  | Air Sax |
| 60 | India |  | Saxual |
| 61 | YamSteel |  | Sanford |
| 62 | StungSt |  | Piccolo |
| 63 | Mu |  | Flute |
| 64 | Waterphn |  | Real Flt |
| 65 | DinoPerc | kEWI 02 | SilvrFlt |
| 66 | Formula | Joshua R | ClassFlt |
| 67 | Jurassic | Zawinul1 | Nz Flute |
| 68 | Devil | Br:Tromb | VoxFlute |
| 69 | SpcHorse | Br:Trump | AquaFlut |
| 70 | Jason | Sax:Bari | OakFlute |
| 71 | Suedhead |  | Bass Flt |
| 72 | Spanish |  | Afri Flt |
| 73 | JazzGtr! |  | PennyWhs |
| 74 | JazzyGtr |  | TinWhist |
| 75 | L7 Pluck |  | Flutofon |
| 76 | WetPluck |  | Inca Flt |
| 77 | Comp Gtr |  | Noze Flt |
| 78 | FunkyGtr |  | Quena |
| 79 | Thin Gtr |  | Quena x2 |
| 80 | Carlos |  | PanFlute |
| 81 | Destiny |  | Andean |
| 82 | Gonzo |  | Pan Pipe |
| 83 | Grunge |  | Bali Flt |
| 84 | Ossyncro | Wind:Flu | IndiaFlt |
| 85 | Talk Box |  | Ambience |
| 86 | SyncLead | ClearTrp | WetFone |
| 87 | Old Mini |  | Maya Flt |
| 88 | Fat Mini |  | Shakuhat |
| 89 | Parlapho |  | Bamboo |
| 90 | SimpleSy |  | PanPicol |
| 91 | Choronic | Alto 2+ | Coca!! |
| 92 | SlitMinu | Tenor12e | Ocarina! |
| 93 | SynHarmo | kSawLead | Lonely |
| 94 | Flaggoot |  | Recorder |
| 95 | SynSkex |  | Clarinet |
| 96 | ResoSqr | DeepAlto | JazzClar |
| 97 | WurliLd |  | ClsClrnt |
| 98 | FlatLead |  | Bs.Clrnt |
| 99 | PhilTur |  | BrtBsClr |
| 100 | ChalPuls |  | Oboe |
| 101 | Pluck Ld | x-Flute1 | Eng.Horn |
| 102 | Brassyn |  | SftEngHn |
| 103 | AcoSynLd |  | Bassoon |
| 104 | Moby |  | Flurinet |
| 105 | Digitrn |  | Crumbon |
| 106 | LyricOff |  | Klarina |
| 107 | Rezzawi |  | ThaiReed |
| 108 | Macro |  | Chanter |
| 109 | Claribo |  | Digirdoo |
| 110 | Binaphon |  | IslePipe |
| 111 | MokoPipe |  | SoftPipe |
| 112 | AliBaba | Wanderin | LitePipe |
| 113 | Persinet |  | CelloSax |
| 114 | PicoPipe |  | YamaBotl |
| 115 | Gertrude |  | Solo Vln |
| 116 | Xynth |  | DrkVioln |
| 117 | Duality | The Sidh | BrtVioln |
| 118 | AltKwek |  | SweetVln |
| 119 | Softblow |  | Fiddle |
| 120 | AlbaPipe |  | Viola |
| 121 | Electrum |  | SwtViola |
| 122 | Edgeopho |  | RosinVla |
| 123 | BassCla! |  | Cello |
| 124 | WX Clari |  | SoloCell |
| 125 | WX Oboe |  | DrkCello |
| 126 | WX J Gtr |  | Bow Bass |
| 127 | Shakuha! |  | HiStrEns |
| 128 | LipClari |  | Pizzicat |
Preset 2:
| 1 | Vento |  | Harmonca |
| 2 | Floboe |  | MouthHrp |
| 3 | Sintax |  | BluesHrm |
| 4 | Eastern |  | Stevie! |
| 5 | Trumpet! |  | Toots! |
| 6 | SoprSax! |  | Accordn. |
| 7 | LiteAlto |  | Concrtna |
| 8 | Trmbone! |  | Jazz B3 |
| 9 | BtlFlute |  | Clavinet |
| 10 | Air Sax |  | Funky |
| 11 | TenrSax! |  | SteelDrm |
| 12 | Coca |  | VL Drums |
| 13 | JetLpBow |  | Yangchin |
| 14 | Viol Inn |  | Asia Plk |
| 15 | MuteCone |  | JapanPlk |
| 16 | BrethBow |  | Tambura |
| 17 | Trumpt!2 |  | Sitar |
| 18 | FluglHr! |  | ElecHarp |
| 19 | Cornet |  | SteelGtr |
| 20 | JzTrump |  | AcGuitar |
| 21 | JzTrump2 |  | Flamenco |
| 22 | Flumpet |  | SpainGtr |
| 23 | WXTrumpt |  | NylonGtr |
| 24 | MuteTp! |  | SwtNylGt |
| 25 | MuteTp!2 |  | Les Gtr |
| 26 | Melwbone |  | Joe Pass |
| 27 | NerzoBr |  | FMGuitar |
| 28 | Horn! |  | Lucille |
| 29 | Horn!2 |  | >>PAT<< |
| 30 | NuHorne |  | EFXStrat |
| 31 | WX Horn |  | ClnStrat |
| 32 | Tuba! |  | Surf Gtr |
| 33 | NuViolin |  | Mute Gtr |
| 34 | C Violin |  | WahGtCC4 |
| 35 | BrtVioln |  | PatSynGt |
| 36 | MuteViol |  | BluesGtr |
| 37 | BrtViola |  | Clapton |
| 38 | ViolOutt |  | PopODGtr |
| 39 | Cello! |  | Carlos |
| 40 | Eleanor |  | TubeGtr! |
| 41 | Nu Cello |  | FET Guit |
| 42 | Contrair |  | Dist.Gtr |
| 43 | DoublBow |  | Wah Lead |
| 44 | Piccolo! |  | Wah Dist |
| 45 | Piccol!2 |  | GuitHero |
| 46 | BowPicol |  | Eddie4th |
| 47 | C Flute |  | Feedback |
| 48 | C Flute2 |  | Hendrix |
| 49 | JazFlute |  | TalkBox! |
| 50 | OakFlute |  | !XTREME! |
| 51 | BtlFlut2 |  | Hercules |
| 52 | RzdeFlt |  | SynClav |
| 53 | Flutuen |  | Syncro! |
| 54 | Nz Flute |  | Theremin |
| 55 | WX Shaku |  | Avalana |
| 56 | Pan Pipe |  | Voxanne |
| 57 | PanPicol |  | Beauty! |
| 58 | Bamboo |  | SpaceOut |
| 59 | (note 2) |  | Ghost Ld |
| 60 | Flurinet |  | PtchNoiz |
| 61 | SoftReed |  | BreathTb |
| 62 | Flurmod |  | Air Lead |
| 63 | Jhopali | Dweller | Breezer |
| 64 | Baroquen |  | ZawiLead |
| 65 | SquealAT |  | Voxofone |
| 66 | NuSopSax |  | Whistler |
| 67 | CvSopSx |  | Debussy |
| 68 | SoprPipe |  | Sines() |
| 69 | LiteSopr |  | SmoothLd |
| 70 | AnaSoprn |  | Slinky |
| 71 | NuAltSax |  | AirStick |
| 72 | SweetAlt |  | RotoFone |
| 73 | AltoSax! |  | Vox Lead |
| 74 | HarpAlto |  | Squeezy |
| 75 | HarpAlt2 |  | Lyricon |
| 76 | GlassAlt |  | Ana.Lead |
| 77 | AcidSax |  | Mobius |
| 78 | WackSax |  | 70s Lead |
| 79 | NuTenrSx |  | Osc Lead |
| 80 | MildTenr |  | Saw Lead |
| 81 | Jazz Sax |  | (note 1) |
| 82 | TenorSub |  | ResoSaws |
| 83 | BellMike |  | EML Lead |
| 84 | GlasTenr |  | HPFilter |
| 85 | FnkyTenr |  | EWI ARP |
| 86 | OldTenor |  | EWI Lead |
| 87 | BrtTenor |  | Koz Lead |
| 88 | BariSax! |  | MattLead |
| 89 | VoxoSaxo |  | PATCHMAN |
| 90 | Oboe! |  | Taurus |
| 91 | Oboe!2 |  | Phaser-{ |
| 92 | Noboe |  | SynZilla |
| 93 | OboeWhi |  | MegaSyn |
| 94 | DblReedy |  | Winwood |
| 95 | TripleRd |  | Pulse Ld |
| 96 | EngHorn! |  | Corea!! |
| 97 | Loboe |  | SquareLd |
| 98 | Bassoon! |  | Korg Ld |
| 99 | Clarint! |  | LuckyMan |
| 100 | LitePipe |  | Lyle |
| 101 | HyperCla |  | Analog |
| 102 | Clarint2 |  | Nyle |
| 103 | IslePipe |  | Floyd Ld |
| 104 | Chanter |  | BorgHorn |
| 105 | ThaiReed |  | Freik |
| 106 | Recordr! |  | Fazar |
| 107 | Claricrd |  | Dungeon |
| 108 | SoftPipe |  | NevrLand |
| 109 | BowedSaw |  | Brekord1 |
| 110 | Ocarina! |  | Brekord2 |
| 111 | Lonely |  | Brekord3 |
| 112 | Ophelia |  | ElecBass |
| 113 | Maysbe? |  | MotownBs |
| 114 | MizuHorn |  | SteinBas |
| 115 | PicoStrg |  | FunkBass |
| 116 | Sylophon |  | PickBass |
| 117 | BowLead |  | SnapBass |
| 118 | Squeeze |  | Thumb Bs |
| 119 | MouthKey |  | TiteBass |
| 120 | AmpdHarp |  | JacoBass |
| 121 | CromHarp |  | StratoBs |
| 122 | WahUpHp |  | Sticky! |
| 123 | YamaBotl |  | MuteBass |
| 124 | Blowsoo |  | Ac Bass |
| 125 | Brappo |  | Juicy Bs |
| 126 | Crumbon |  | GnarlyBs |
| 127 | Klarina |  | Moog Bs |
| 128 | ReedWin |  | Bass1000 |
Custom:
| 1 | Jurassic | Nz Flute |
| 2 | Formula | ClassFlt |
| 3 | Waterphn | Real Flt |
| 4 | SpcHorse | AquaFlut |
| 5 | DinoPerc | SilvrFlt |
| 6 | Jason | OakFlute |
Internal:
| 1 | Air Sax | Trumpet |
| 2 | SoprSax! | Maynard |
| 3 | WahUpHp | Chet Tpt |
| 4 | LiteAlto | ClassTpt |
| 5 | AcoSynLd | HrmMtTpt |
| 6 | Nz Flute | Mangione |
| 7 | JzTrump | Trombone |
| 8 | VintgLd | BriteTbn |
| 9 | TenorSub | DorseyTb |
| 10 | Trmbone! | WX Horn |
| 11 | GuitHero | BriteHrn |
| 12 | PanPicol | Tuba |
| 13 | MuteTp! | KennyGee |
| 14 | YamaBotl | TraneSop |
| 15 | Ophelia | Alto Sax |
| 16 | CromHarp | Desmond |
| 17 | Andean | NY Alto |
| 18 | WX Oboe | NY Tenor |
| 19 | WX Clari | TenorSax |
| 20 | WXTrumpt | MBrecker |
| 21 | WX Horn | RaspyTnr |
| 22 | WX J Gtr | Getz Tnr |
| 23 | WX Shaku | JobimTnr |
| 24 | Grunge | TiteBari |
| 25 | Rezzawi | Real Flt |
| 26 | LyricOff | Nz Flute |
| 27 | Digitrn | VoxFlute |
| 28 | NerzoBr | Quena x2 |
| 29 | Flurinet | PanFlute |
| 30 | Blowsoo | Ambience |
| 31 | Brappo | Clarinet |
| 32 | Crumbon | BrtBsClr |
| 33 | Klarina | Bassoon |
| 34 | ReedWin | SweetVln |
| 35 | BrethBow | Cello |
| 36 | DoublBow | BluesHrm |
| 37 | SoftReed | Stevie! |
| 38 | AnaSoprn | Clavinet |
| 39 | Pluck Ld | VL Drums |
| 40 | Fat Mini | SteelGtr |
| 41 | Noboe | SpainGtr |
| 42 | Bassoon! | Joe Pass |
| 43 | Recordr! | >>PAT<< |
| 44 | Ocarina! | ClnStrat |
| 45 | Lonely | PatSynGt |
| 46 | NuViolin | PopODGtr |
| 47 | OakFlute | GuitHero |
| 48 | BowPicol | Avalana |
| 49 | TenrSax! | Ghost Ld |
| 50 | MildTenr | Breezer |
| 51 | BrtTenor | ZawiLead |
| 52 | BariSax! | Squeezy |
| 53 | Jazz Sax | (note 1) |
| 54 | GlasTenr | ResoSaws |
| 55 | SweetAlt | EML Lead |
| 56 | Pan Pipe | HPFilter |
| 57 | Tuba! | Korg Ld |
| 58 | FluglHr! | Lyle |
| 59 | Piccolo! | Fazar |
| 60 | EngHorn! | Dungeon |
| 61 | Melwbone | Brekord3 |
| 62 | Viol Inn | SteinBas |
| 63 | BassCla! | MuteBass |
| 64 | Brassyn | JacoBass |
)TABLE";
