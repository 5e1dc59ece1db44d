#include "bench/french_text.h"

#include <cstddef>
#include <string>

namespace {

// Common words first: the picker favours the front of the list, roughly as
// word frequencies fall off in real prose.
const char* const words[] = {
    "de", "la", "le", "et", "les", "des", "en", "un", "une", "du", "\xE0", "que", "qui", "est", "dans",
    "pour", "pas", "sur", "au", "ne", "il", "elle", "se", "plus", "par", "ce", "avec", "son", "sa", "ses",
    "on", "mais", "nous", "vous", "ils", "leur", "comme", "tout", "\xE9t\xE9", "\xEAtre", "fait", "sont",
    "aux", "cette", "ou", "y", "m\xEAme", "bien", "o\xF9", "sans", "tr\xE8s", "peu", "aussi", "deux", "entre",
    "encore", "dont", "apr\xE8s", "avant", "chez", "lui", "moi", "toi", "rien", "jamais", "toujours",
    "d\xE9j\xE0", "ici", "l\xE0", "temps", "ann\xE9" "e", "jour", "monde", "vie", "homme", "femme", "enfant",
    "pays", "ville", "maison", "main", "t\xEAte", "\x9Cil", "yeux", "c\x9Cur", "chose", "fois", "place",
    "partie", "moment", "eau", "terre", "mer", "ciel", "soleil", "lune", "nuit", "matin", "soir", "hiver",
    "printemps", "automne", "route", "chemin", "rue", "porte", "fen\xEAtre", "table", "chaise", "livre",
    "lettre", "mot", "nom", "question", "r\xE9ponse", "id\xE9" "e", "raison", "histoire", "guerre", "paix",
    "roi", "reine", "ch\xE2teau", "for\xEAt", "arbre", "fleur", "jardin", "champ", "montagne", "rivi\xE8re",
    "fleuve", "lac", "\xEEle", "plage", "village", "\xE9" "cole", "\xE9glise", "march\xE9", "travail",
    "argent", "prix", "famille", "p\xE8re", "m\xE8re", "fr\xE8re", "s\x9Cur", "ami", "amie", "voisin",
    "ma\xEEtre", "\xE9l\xE8ve", "professeur", "m\xE9" "decin", "soldat", "paysan", "ouvrier", "artiste",
    "\xE9" "crivain", "peintre", "musicien", "chanson", "musique", "tableau", "image", "couleur",
    "lumi\xE8re", "ombre", "voix", "bruit", "silence", "parole", "chemise", "robe", "chapeau", "soulier",
    "pain", "vin", "fromage", "viande", "poisson", "fruit", "pomme", "poire", "l\xE9gume", "caf\xE9",
    "th\xE9", "sucre", "sel", "lait", "beurre", "\x9Cuf", "repas", "d\xEEner", "d\xE9jeuner", "cuisine",
    "chambre", "salle", "escalier", "toit", "mur", "fen\xEAtres", "grand", "petit", "bon", "mauvais", "beau",
    "belle", "nouveau", "nouvelle", "vieux", "vieille", "jeune", "long", "longue", "court", "haut", "bas",
    "large", "\xE9troit", "blanc", "noir", "rouge", "vert", "bleu", "jaune", "gris", "brun", "doux", "dur",
    "facile", "difficile", "heureux", "heureuse", "triste", "fort", "faible", "riche", "pauvre", "plein",
    "vide", "chaud", "froid", "clair", "sombre", "premier", "premi\xE8re", "dernier", "derni\xE8re", "seul",
    "seule", "vrai", "faux", "c\xE9l\xE8" "bre", "\xE9trange", "fran\xE7" "ais", "fran\xE7" "aise",
    "europ\xE9" "en", "ancien", "ancienne", "rapide", "lent", "l\xE9ger", "lourd", "propre", "sale", "calme",
    "agr\xE9" "able", "s\xFBr", "s\xFBre", "fid\xE8le", "\xE9pais", "avoir", "faire", "dire", "aller", "voir",
    "savoir", "pouvoir", "vouloir", "venir", "prendre", "donner", "trouver", "parler", "aimer", "passer",
    "mettre", "croire", "penser", "regarder", "attendre", "arriver", "partir", "rester", "tenir", "entendre",
    "r\xE9pondre", "conna\xEEtre", "devenir", "comprendre", "\xE9" "crire", "lire", "vivre", "mourir",
    "ouvrir", "fermer", "jouer", "chanter", "danser", "manger", "boire", "dormir", "courir", "marcher",
    "tomber", "porter", "suivre", "sortir", "entrer", "monter", "descendre", "appeler", "chercher", "montrer",
    "oublier", "perdre", "gagner", "commencer", "finir", "laisser", "demander", "rendre", "sembler",
    "para\xEEtre", "apprendre", "recevoir", "d\xE9" "couvrir", "d\xE9" "cider", "esp\xE9rer",
    "pr\xE9" "f\xE9rer", "r\xE9p\xE9ter", "c\xE9l\xE9" "brer", "\xE9tait", "avait", "fut", "eut", "allait",
    "pouvait", "voulait", "disait", "faisait", "savait", "venait", "avons", "avez", "ont", "sommes",
    "\xEAtes", "serait", "aurait", "irait", "viendra", "pourra", "voudra", "fera", "dira", "verra", "sera",
    "aura", "souvent", "parfois", "enfin", "alors", "ensuite", "puis", "pourtant", "cependant", "donc",
    "ainsi", "surtout", "vraiment", "presque", "tellement", "beaucoup", "trop", "assez", "moins", "autant",
    "partout", "ailleurs", "dehors", "dedans", "loin", "pr\xE8s", "hier", "demain", "aujourd'hui",
    "bient\xF4t", "longtemps", "autrefois", "peut-\xEAtre", "lorsque", "quand", "parce", "puisque", "tandis",
    "comment", "pourquoi", "combien", "ao\xFBt", "d\xE9\xE7u", "gar\xE7on", "le\xE7on", "re\xE7u", "fa\xE7on",
    "\xE7" "a", "voil\xE0", "na\xEF" "f", "no\xEBl", "ma\xEFs", "a\xEF" "eul", "h\xF4tel", "h\xF4pital",
    "c\xF4te", "f\xEAte", "b\xEAte", "t\xE2" "che", "\xE2me", "\xE2ge", "gr\xE2" "ce", "th\xE9\xE2tre",
    "b\xE2timent", "d\xFB", "m\xFBr", "go\xFBt", "cro\xFBte", "fl\xFBte", "s\xFBrement",
};
constexpr uint32_t wordCount = sizeof words / sizeof words[0];

// Our own generator, not <random>: its distributions differ between
// standard libraries, and the text must not.
class SplitMix {
public:
    explicit SplitMix(uint64_t seed) : state_(seed) {}

    uint32_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
    }

    // 0 .. bound - 1
    uint32_t below(uint32_t bound) { return static_cast<uint32_t>((uint64_t(next()) * bound) >> 32); }

private:
    uint64_t state_;
};

// Upper case in Windows-1252, enough for the first letter of a sentence.
char capital(char c) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 'a' && b <= 'z') {
        return static_cast<char>(b - 32);
    }
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7) {
        return static_cast<char>(b - 32);
    }
    if (b == 0x9C) {  // oe ligature
        return static_cast<char>(0x8C);
    }
    return c;
}

const char* pickWord(SplitMix& random) {
    // The product of two uniform numbers leans towards small indices.
    const uint32_t a = random.below(wordCount);
    const uint32_t b = random.below(wordCount);
    return words[(uint64_t(a) * b) / wordCount];
}

void appendSentence(SplitMix& random, std::string& text) {
    const uint32_t wordsInSentence = 4 + random.below(14);
    for (uint32_t i = 0; i < wordsInSentence; ++i) {
        std::string word = pickWord(random);
        if (i == 0) {
            word[0] = capital(word[0]);
        } else {
            text += ' ';
        }
        text += word;
        if (i + 1 < wordsInSentence && random.below(9) == 0) {
            text += ',';
        }
    }
    const uint32_t end = random.below(12);
    if (end == 0) {
        text += " ?";  // French puts a space before ? and !
    } else if (end == 1) {
        text += " !";
    } else {
        text += '.';
    }
    text += random.below(7) == 0 ? "\r\n" : " ";
}

}  // namespace

std::vector<uint8_t> frenchText(size_t length, uint32_t seed) {
    SplitMix random(seed);
    std::string text;
    text.reserve(length + 256);
    while (text.size() < length) {
        appendSentence(random, text);
    }
    return std::vector<uint8_t>(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
}
