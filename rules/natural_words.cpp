// The function words natural breaks weigh, in the order of kBreakLanguages.
// "clings": a break after it parts it from the word it belongs with
// (articles, determiners, possessives, pronouns before their verbs,
// auxiliaries and modals, negation before the verb, reflexive and object
// clitics before the verb). "leads": a break before it is where a phrase
// starts (conjunctions, prepositions, relatives); a break after it is as bad
// as after an article. "trails": a break before it parts it from the word it
// follows (negation after the verb, reflexives after the verb, particles,
// postpositions). Among the leads, the conjunctions and relatives come
// before the "/", the prepositions after it: a break before a conjunction is
// the better one. Lower case; a word may be in two lists.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "model/text.h"
#include "rules/natural_breaks.h"

namespace lm::natural {

namespace {

struct Words {
  const char* code;
  const char* clings;
  const char* leads;
  const char* trails;
};

constexpr Words kWords[] = {
    {"en",
     "a an the this these those my your his her its our their some any no every each either neither another such "
     "i he she we they i'm you're we're they're he's she's it's i'll you'll we'll they'll he'll she'll i've you've "
     "we've they've i'd you'd he'd she'd we'd they'd am is are was were be been being have has had do does did "
     "will would shall should can could may might must very too so not don't doesn't didn't won't can't couldn't "
     "wouldn't shouldn't isn't aren't wasn't weren't haven't hasn't hadn't mr. mrs. ms. dr. st. mr mrs ms dr "
     "let's there's what's that's who's",
     "and or but nor yet because since although though while whereas when whenever where wherever if unless until "
     "till after before that which who whom whose what how why than as / to of in on at for with from by about into "
     "onto over under through between without within during against among upon like",
     "not too himself herself itself myself yourself ourselves themselves yourselves either"},
    {"fr",
     "le la les un une des du au aux ce cet cette ces mon ma mes ton ta tes son sa ses notre nos votre vos leur "
     "leurs quel quelle quels quelles je tu il elle on nous vous ils elles me te se ne y en lui suis es est sommes "
     "êtes sont étais était étions étiez étaient ai as a avons avez ont avais avait avions aviez avaient serai sera "
     "serons seront vais va allons allez vont peux peut pouvons pouvez peuvent dois doit devons devez doivent veux "
     "veut voulons voulez veulent très trop tout toute tous toutes m. mme mlle c'est j'ai n'est il y",
     "et ou mais donc or ni car que qui quand lorsque comme si parce puisque / pour par dans sur sous avec sans chez "
     "vers entre depuis pendant contre avant après selon dont où afin de à qu'il qu'elle qu'on",
     "pas plus jamais rien guère point personne"},
    {"de",
     "der die das den dem des ein eine einen einem einer eines kein keine keinen keinem keiner mein meine meinen "
     "meinem meiner dein deine deinen sein seine seinen ihr ihre ihren unser unsere euer eure dieser diese dieses "
     "diesen diesem jener jene welche ich du er wir bin bist ist sind seid war warst waren wart habe hast hat haben "
     "habt hatte hatten werde wirst wird werden werdet wurde wurden kann kannst können muss musst müssen soll "
     "sollst sollen will willst wollen darf dürfen möchte sehr zu herr frau",
     "und oder aber denn sondern doch dass daß weil wenn als ob obwohl damit bevor nachdem während bis seit wie wo "
     "was wer / mit von bei nach aus für gegen ohne um durch über unter vor hinter neben zwischen in an auf zum zur "
     "im am vom beim ins",
     "nicht mich dich sich uns euch auch"},
    {"es",
     "el la los las lo un una unos unas mi mis tu tus su sus nuestro nuestra nuestros nuestras vuestro vuestra "
     "este esta estos estas ese esa esos esas aquel aquella yo tú él ella nosotros vosotros ellos ellas me te se "
     "nos os le les no soy eres es somos son era eras éramos eran fui fue fueron he has ha hemos han había habían "
     "voy vas va vamos van puedo puede podemos pueden debo debe quiero quiere muy más tan sr. sra. señor",
     "y e o u pero sino ni que porque pues como cuando donde mientras aunque si / para por con sin sobre entre hasta "
     "desde hacia contra según durante de a en ante bajo tras cual quien cuyo del al",
     "mismo"},
    {"it",
     "il lo la i gli le un uno una mio mia miei mie tuo tua tuoi tue suo sua suoi sue nostro nostra vostro vostra "
     "loro questo questa questi queste quel quello quella quei quelle io tu lui lei noi voi mi ti si ci vi ne non "
     "sono sei è siamo siete ero era eravamo erano ho hai ha abbiamo avete hanno avevo aveva vado vai va andiamo "
     "posso puoi può possiamo possono devo deve voglio vuole molto più tanto signor",
     "e ed o oppure ma però né che perché poiché quando dove mentre se come / per con senza su tra fra di a da in "
     "sopra sotto verso contro dopo prima fino durante del della dello dei degli delle al alla allo ai agli alle "
     "dal dalla dai dalle nel nella nei nelle sul sulla",
     "mai"},
    {"pt",
     "o a os as um uma uns umas meu minha meus minhas teu tua seu sua seus suas nosso nossa este esta estes estas "
     "esse essa esses essas aquele aquela eu tu ele ela nós vós eles elas me te se nos vos lhe lhes não sou és é "
     "somos são era eram fui foi foram tenho tens tem temos têm tinha vou vais vai vamos vão posso pode podemos "
     "podem devo deve quero quer muito mais tão sr. sra. senhor",
     "e ou mas nem que porque pois como quando onde enquanto embora se / para por com sem sobre entre até desde "
     "contra durante de em do da dos das no na nas ao aos pelo pela pelos pelas num numa",
     "nada"},
    {"nl",
     "de het een deze mijn je jouw zijn haar ons onze jullie hun ik jij hij zij wij we ze ben bent is was waren "
     "heb hebt heeft hebben had hadden zal zult zullen zou zouden kan kun kunt kunnen moet moeten wil wilt willen "
     "mag mogen erg zeer te geen meneer mevrouw",
     "en of maar want dus omdat als wanneer toen terwijl hoewel voordat nadat totdat sinds zodat dat die wat wie "
     "/ met van voor naar bij op in aan uit over onder door tegen zonder tussen om tot",
     "niet zich ook"},
    {"sv",
     "en ett den det de denna detta dessa min mitt mina din ditt dina sin sitt sina hans hennes vår vårt våra er "
     "ert era deras jag du han hon vi ni är var har hade ska skulle kan kunde vill ville måste får fick blir blev "
     "mycket",
     "och eller men utan för att som när där om eftersom medan fast innan sedan tills / med av på i till från över "
     "under genom mot hos efter vid åt",
     "inte sig mig dig heller"},
    {"da",
     "en et den det de denne dette disse min mit mine din dit dine sin sit sine hans hendes vores jeres deres jeg "
     "du han hun vi er var har havde skal skulle kan kunne vil ville må måtte bliver blev meget",
     "og eller men for at som når hvor hvis fordi mens selvom før efter indtil / med af på i til fra over under "
     "gennem mod uden hos ved om",
     "ikke sig mig dig heller"},
    {"no",
     "en ei et den det de denne dette disse min mitt mine din ditt dine sin sitt sine hans hennes vår vårt våre "
     "deres jeg du han hun vi dere er var har hadde skal skulle kan kunne vil ville må måtte blir ble veldig",
     "og eller men for at som når hvor hvis fordi mens selv før etter / til med av på i fra over under gjennom mot "
     "uten hos ved om",
     "ikke seg meg deg heller"},
    {"fi",
     "minä mä sinä sä hän me te he tämä tuo nämä nuo se ne en et ei emme ette eivät olen olet on olemme olette "
     "ovat oli olin olit olivat hyvin todella aivan",
     "ja tai mutta että kun jos koska vaikka jotta kuin eli sekä sillä joka jotka mikä mitkä missä kunnes ennen",
     "kanssa jälkeen takia vuoksi luona mukaan kautta asti saakka"},
    {"pl",
     "ten ta to te ci tego tej temu tym mój moja moje twój twoja twoje jego jej nasz nasza wasz ich swój swoja "
     "swoje ja ty on ona ono my wy oni one nie jestem jesteś jest jesteśmy są był była było byli będę będzie "
     "będą mam masz ma mamy mają muszę musisz musi mogę może możemy chcę chce bardzo pan pani",
     "i a oraz albo lub ale lecz więc bo że żeby aby kiedy gdy jeśli jeżeli gdzie który która które którzy jak "
     "niż chociaż choć / w we z ze na do od po o u przez dla bez za przed pod nad przy między",
     "się mi ci mu"},
    {"cs",
     "ten ta to ti ty toho té tomu tím můj moje má tvůj tvoje tvá jeho její náš naše váš vaše jejich svůj svoje "
     "já on ona ono my vy oni jsem jsi je jsme jste jsou byl byla bylo byli budu bude budou mám máš máme mají "
     "musím musí můžu může chci chce velmi moc pan paní",
     "a i nebo ale však tak že aby když jestli jestliže kde který která které jak než protože ačkoli / v ve z ze "
     "na do od po o u přes pro bez za před pod nad při mezi k ke s",
     "se si mi ti mu"},
    {"ro",
     "un o niște acest această acești aceste acel acea meu mea mei mele tău său sa nostru noastră vostru lor eu "
     "tu el ea noi voi ei ele mă te se ne vă îl îi le nu sunt ești este e suntem sunteți era erau am ai a ați au "
     "vei va vom veți vor pot poate putem vreau vrea foarte mai prea să domnul doamna",
     "și sau dar iar ci însă deci că pentru fiindcă deoarece când unde dacă cum care ce / până în la de pe cu din "
     "spre fără prin despre între după sub peste către lângă",
     ""},
    {"ru",
     "я ты он она оно мы вы они мой моя моё мои твой твоя твоё твои его её их наш наша наше наши ваш ваша ваше "
     "ваши свой своя свои этот эта это эти тот та те не ни был была было были буду будет будут могу может можем "
     "хочу хочет очень",
     "и а но или да что чтобы потому поэтому если когда где куда как который которая которое которые чем хотя "
     "пока / в во на с со к ко по о об от до из у за для без под над при про через между перед после",
     "же ли бы"},
};
static_assert(sizeof kWords / sizeof kWords[0] == kBreakLanguageCount, "a word list for each break language");

// Whether every word of a list has at most `most` bytes.
constexpr bool WordsFit(const char* list, size_t most) {
  size_t length = 0;
  for (; *list; ++list) {
    length = *list == ' ' ? 0 : length + 1;
    if (length > most) return false;
  }
  return true;
}
constexpr bool AllWordsFit(size_t most) {
  for (const Words& w : kWords)
    if (!WordsFit(w.clings, most) || !WordsFit(w.leads, most) || !WordsFit(w.trails, most)) return false;
  return true;
}

// Four bits a language.
constexpr int kBitsPerLanguage = 4;
static_assert(kBitsPerLanguage * kBreakLanguageCount <= 64, "the kinds of a word fit one mask");

// An open-addressed table of the words, each held as its bytes in two
// zero-padded 8-byte halves (no listed word is longer than 16 bytes, and
// none holds a zero byte): a look-up is two loads, a multiply and a compare
// of two words, without building a key. The rules ask it about every word
// next to a space.
class Table {
 public:
  static constexpr size_t kMostBytes = 16;
  static_assert(AllWordsFit(kMostBytes), "a listed word fits a key");
  Table() {
    for (int l = 0; l < kBreakLanguageCount; ++l) {
      Add(kWords[l].clings, l, kClings);
      Add(kWords[l].leads, l, kLeads | kJoins);
      Add(kWords[l].trails, l, kTrails);
    }
  }
  size_t Longest() const { return longest_; }
  std::uint64_t Find(std::string_view word) const {
    if (word.empty() || word.size() > longest_) return 0;
    const Key key = KeyOf(word);
    for (size_t i = Hash(key);; i = (i + 1) & kMask) {
      const Slot& slot = slots_[i];
      if (slot.key.lo == key.lo && slot.key.hi == key.hi) return slot.mask;
      if (slot.key.lo == 0) return 0;
    }
  }

 private:
  static constexpr size_t kSlots = 4096, kMask = kSlots - 1;  // three times the words, and more: short probes, and the table stays in the cache
  struct Key {
    std::uint64_t lo = 0, hi = 0;
  };
  struct Slot {
    Key key;  // lo 0: empty
    std::uint64_t mask = 0;
  };
  static std::uint64_t Load8(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
  }
  // At most kMostBytes bytes.
  static Key KeyOf(std::string_view w) {
    const char* p = w.data();
    const size_t n = w.size();
    if (n < 8) return {TailWord(p, n), 0};
    return {Load8(p), n == 16 ? Load8(p + 8) : TailWord(p + 8, n - 8)};
  }
  static size_t Hash(Key k) {
    const std::uint64_t h = (k.lo ^ (k.hi * 0x9E3779B97F4A7C15ull)) * 0xD6E8FEB86659FD93ull;
    return static_cast<size_t>(h >> 52) & kMask;  // the top 12 bits
  }
  void Add(const char* list, int language, unsigned kind) {
    std::string_view rest(list);
    while (!rest.empty()) {
      const size_t space = rest.find(' ');
      const std::string_view word = rest.substr(0, space);
      rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
      if (word.empty()) continue;
      if (word == "/") {
        kind &= ~kJoins;  // the prepositions
        continue;
      }
      const Key key = KeyOf(word);
      size_t i = Hash(key);
      while (slots_[i].key.lo != 0 && (slots_[i].key.lo != key.lo || slots_[i].key.hi != key.hi)) i = (i + 1) & kMask;
      slots_[i].key = key;
      slots_[i].mask |= std::uint64_t{kind} << (kBitsPerLanguage * language);
      if (word.size() > longest_) longest_ = word.size();
    }
  }
  std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
  size_t longest_ = 0;
};

const Table& Lists() {
  static const Table table;
  return table;
}

}  // namespace

unsigned KindOf(std::string_view lowerWord, int language) {
  if (language < 0 || language >= kBreakLanguageCount) return 0;
  return static_cast<unsigned>(Lists().Find(lowerWord) >> (kBitsPerLanguage * language)) & 15u;
}

bool KnownWord(std::string_view lowerWord, int language) { return KindOf(lowerWord, language) != 0; }

int LongestListedWord() {
  static const int longest = static_cast<int>(Lists().Longest());
  return longest;
}

std::uint64_t LanguagesOf(std::string_view lowerWord) {
  const std::uint64_t mask = Lists().Find(lowerWord);
  std::uint64_t languages = 0;
  for (int l = 0; l < kBreakLanguageCount; ++l)
    if ((mask >> (kBitsPerLanguage * l)) & 15u) languages |= std::uint64_t{1} << l;
  return languages;
}

}  // namespace lm::natural
