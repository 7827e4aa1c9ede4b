#include "text/InstallationMessages.h"

#include <cstddef>

namespace kz {
namespace text {

namespace {

// The u"" literals are copied into unsigned short arrays at compile time, so the
// table is typed the way the exported interface hands it out and stays in
// read-only data.
template <std::size_t N>
struct Utf16Text {
    unsigned short units[N];
};

template <std::size_t TagSize, std::size_t MessageSize>
struct Entry {
    Utf16Text<TagSize> tag;
    Utf16Text<MessageSize> message;
};

template <std::size_t N>
constexpr Utf16Text<N> ToUnits(const char16_t (&text)[N])
{
    Utf16Text<N> result{};
    for (std::size_t i = 0; i < N; ++i)
        result.units[i] = static_cast<unsigned short>(text[i]);
    return result;
}

template <std::size_t TagSize, std::size_t MessageSize>
constexpr Entry<TagSize, MessageSize> MakeEntry(const char16_t (&tag)[TagSize], const char16_t (&message)[MessageSize])
{
    return {ToUnits(tag), ToUnits(message)};
}

constexpr auto kCsCz = MakeEntry(u"cs-CZ",
    u"Při spouštění vaší hry došlo k problému, spouštěcí program Dovrix Game nebyl nalezen. Zkuste prosím hru přeinstalovat. Kód chyby je __REPLACE__.\r");
constexpr auto kDaDk = MakeEntry(u"da-DK",
    u"Der opstod et problem med at starte dit spil; Dovrix-startprogrammet blev ikke fundet. Prøv at geninstallere spillet. Fejlkoden er __REPLACE__.\r");
constexpr auto kDeDe = MakeEntry(u"de-DE",
    u"Beim Starten des Spiels ist ein Problem aufgetreten. Der Dovrix Game Launcher wurde nicht gefunden. Versuchen Sie bitte, das Spiel neu zu installieren. Fehlercode: __REPLACE__.\r");
constexpr auto kEnUs = MakeEntry(u"en-US",
    u"There was a problem starting your game, the Dovrix Game Launcher was not found. Please try re-installing the game. Error code is __REPLACE__.\r");
constexpr auto kEsEs = MakeEntry(u"es-ES",
    u"Se ha producido un problema al iniciar el juego. No se encontró el Dovrix Game Launcher. Intenta reinstalar el juego. El código de error es __REPLACE__.\r");
constexpr auto kFiFi = MakeEntry(u"fi-FI",
    u"Pelin käynnistyksessä ilmeni ongelma, sillä Dovrix Game Launcher -sovellusta ei löytynyt. Yritä asentaa peli uudelleen. Virhekoodi on __REPLACE__.\r");
constexpr auto kFrFr = MakeEntry(u"fr-FR",
    u"Un problème est survenu lors du lancement de votre jeu. Le lanceur Dovrix n'a pas pu être trouvé. Veuillez essayer de réinstaller le jeu. Code erreur __REPLACE__.\r");
constexpr auto kHuHu = MakeEntry(u"hu-HU",
    u"Probléma lépett fel a játék indítása közben, a Dovrix Játékindító nem található. Próbáld meg újratelepíteni a játékot! Hibakód: __REPLACE__.\r");
constexpr auto kItIt = MakeEntry(u"it-IT",
    u"Si è verificato un problema nell'avvio del gioco. Dovrix Game Launcher non è stato rilevato. Prova a installare nuovamente il gioco. Codice errore: __REPLACE__.\r");
constexpr auto kJaJp = MakeEntry(u"ja-JP",
    u"ゲーム起動中に問題が発生しました。Dovrix ゲームランチャーが見つかりませんでした。ゲームを再インストールしてください。エラーコードは __REPLACE__ です。\r");
constexpr auto kKoKo = MakeEntry(u"ko-KO",
    u"Dovrix 게임 런처를 찾지 못해 게임을 실행하는 데 문제가 있었습니다. 게임을 다시 설치해 주십시오. 해당 오류 코드는 __REPLACE__입니다. \r");
constexpr auto kNbNo = MakeEntry(u"nb-NO",
    u"Spillet kunne ikke startes. Dovrix Game Launcher ble ikke funnet.  Prøv å installere spillet på nytt. Feilkoden er __REPLACE__.\r");
constexpr auto kNlNl = MakeEntry(u"nl-NL",
    u"Er is een fout opgetreden bij het opstarten van je game. De Dovrix Game Launcher is niet gevonden. Probeer de game opnieuw te installeren. Foutcode __REPLACE__.\r");
constexpr auto kPlPl = MakeEntry(u"pl-PL",
    u"Podczas uruchamiania gry wystąpił problem. Nie znaleziono aplikacji startowej Dovrix. Zainstaluj grę ponownie. Kod błędu: __REPLACE__\r");
constexpr auto kPtPt = MakeEntry(u"pt-PT",
    u"Ocorreu um problema ao iniciar o jogo: não foi possível encontrar o Dovrix Game Launcher. Tente reinstalar o jogo. O código do erro é __REPLACE__.\r");
constexpr auto kRuRu = MakeEntry(u"ru-RU",
    u"При попытке запуска игры возникли неполадки; Dovrix Game Launcher не был обнаружен. Попробуйте переустановить игру. Код ошибки __REPLACE__.\r");
constexpr auto kSvSe = MakeEntry(u"sv-SE",
    u"Ett problem uppstod när spelet startades. Dovrix Game Launcher hittades inte. Installera om spelet och försök igen. Felkod __REPLACE__.\r");
constexpr auto kZhCn = MakeEntry(u"zh-CN",
    u"启动游戏时出现问题，找不到 Dovrix Game Launcher。请尝试重新安装游戏。错误代码为 __REPLACE__。\r");
constexpr auto kZhTw = MakeEntry(u"zh-TW",
    u"啟動遊戲時發生問題，找不到 Dovrix Game Launcher。請嘗試重新安裝遊戲。錯誤碼為 __REPLACE__。\r");

} // namespace

constexpr InstallationMessage InstallationMessages[kInstallationMessageCount] = {
    {kCsCz.tag.units, kCsCz.message.units},
    {kDaDk.tag.units, kDaDk.message.units},
    {kDeDe.tag.units, kDeDe.message.units},
    {kEnUs.tag.units, kEnUs.message.units},
    {kEsEs.tag.units, kEsEs.message.units},
    {kFiFi.tag.units, kFiFi.message.units},
    {kFrFr.tag.units, kFrFr.message.units},
    {kHuHu.tag.units, kHuHu.message.units},
    {kItIt.tag.units, kItIt.message.units},
    {kJaJp.tag.units, kJaJp.message.units},
    {kKoKo.tag.units, kKoKo.message.units},
    {kNbNo.tag.units, kNbNo.message.units},
    {kNlNl.tag.units, kNlNl.message.units},
    {kPlPl.tag.units, kPlPl.message.units},
    {kPtPt.tag.units, kPtPt.message.units},
    {kRuRu.tag.units, kRuRu.message.units},
    {kSvSe.tag.units, kSvSe.message.units},
    {kZhCn.tag.units, kZhCn.message.units},
    {kZhTw.tag.units, kZhTw.message.units}
};

namespace {

template <typename Unit, typename Widen>
const unsigned short* FindMessage(const Unit* tag, Widen widen)
{
    if (tag == nullptr)
        return nullptr;
    for (const InstallationMessage& entry : InstallationMessages) {
        unsigned i = 0;
        while (entry.tag[i] != 0 && entry.tag[i] == widen(tag[i]))
            ++i;
        if (entry.tag[i] == widen(tag[i]))
            return entry.message;
    }
    return nullptr;
}

} // namespace

const unsigned short* FindInstallationMessage(const unsigned short* tag)
{
    return FindMessage(tag, [](unsigned short unit) { return unit; });
}

const unsigned short* FindInstallationMessage(const char* tag)
{
    return FindMessage(tag, [](char byte) { return static_cast<unsigned short>(static_cast<unsigned char>(byte)); });
}

} // namespace text
} // namespace kz
