// ContactGenerator: the tables the contacts are drawn from, and the drawing of each card.
#include "emulator/addressbook/ContactGenerator.h"

#include "emulator/addressbook/Base64.h"
#include "emulator/addressbook/UncompressedPng.h"
#include "emulator/addressbook/VCardWriter.h"
#include "platform/emu/Text.h"

#include <array>

namespace devemu {

namespace {

struct RussianName {
    std::string_view male;
    std::string_view female;
};

constexpr std::array<std::string_view, 20> russianMaleFirst { "Александр", "Алексей", "Андрей", "Артём", "Владимир",
    "Дмитрий", "Евгений", "Иван", "Игорь", "Константин", "Максим", "Михаил", "Николай", "Олег", "Павел", "Пётр",
    "Роман", "Сергей", "Юрий", "Григорий" };
constexpr std::array<std::string_view, 18> russianFemaleFirst { "Анна", "Валентина", "Вера", "Дарья", "Екатерина",
    "Елена", "Ирина", "Ксения", "Людмила", "Мария", "Наталья", "Ольга", "Светлана", "Софья", "Татьяна", "Юлия",
    "Алёна", "Галина" };
constexpr std::array<RussianName, 12> russianPatronymics { {
    { "Александрович", "Александровна" }, { "Андреевич", "Андреевна" }, { "Викторович", "Викторовна" },
    { "Владимирович", "Владимировна" }, { "Иванович", "Ивановна" }, { "Михайлович", "Михайловна" },
    { "Николаевич", "Николаевна" }, { "Петрович", "Петровна" }, { "Сергеевич", "Сергеевна" },
    { "Юрьевич", "Юрьевна" }, { "Олегович", "Олеговна" }, { "Дмитриевич", "Дмитриевна" },
} };
constexpr std::array<RussianName, 30> russianLast { {
    { "Иванов", "Иванова" }, { "Смирнов", "Смирнова" }, { "Кузнецов", "Кузнецова" }, { "Попов", "Попова" },
    { "Васильев", "Васильева" }, { "Петров", "Петрова" }, { "Соколов", "Соколова" }, { "Михайлов", "Михайлова" },
    { "Новиков", "Новикова" }, { "Фёдоров", "Фёдорова" }, { "Морозов", "Морозова" }, { "Волков", "Волкова" },
    { "Лебедев", "Лебедева" }, { "Семёнов", "Семёнова" }, { "Егоров", "Егорова" }, { "Козлов", "Козлова" },
    { "Орлов", "Орлова" }, { "Никитин", "Никитина" }, { "Захаров", "Захарова" }, { "Зайцев", "Зайцева" },
    { "Соловьёв", "Соловьёва" }, { "Борисов", "Борисова" }, { "Яковлев", "Яковлева" }, { "Белов", "Белова" },
    { "Медведев", "Медведева" }, { "Тарасов", "Тарасова" }, { "Жуков", "Жукова" }, { "Покровский", "Покровская" },
    { "Ильин", "Ильина" }, { "Щербаков", "Щербакова" },
} };
constexpr std::array<std::string_view, 20> latinFirst { "John", "Michael", "David", "James", "Peter", "Thomas",
    "Daniel", "Mark", "Hans", "Stefan", "Anna", "Maria", "Laura", "Sarah", "Emma", "Julia", "Claire", "Sophie",
    "Élodie", "Jürgen" };
constexpr std::array<std::string_view, 20> latinLast { "Smith", "Johnson", "Brown", "Miller", "Wilson", "Taylor",
    "Anderson", "Clark", "Walker", "Müller", "Schmidt", "Fischer", "Weber", "Wagner", "Dubois", "Martin", "Rossi",
    "Novak", "O'Brien", "García" };
constexpr std::array<std::string_view, 8> nicknames { "Саня", "Шурик", "Малыш", "Док", "Лёлик", "Mike", "Jonny", "Boss" };

struct Company {
    std::string_view name;
    std::string_view domain;
};

constexpr std::array<Company, 12> companies { {
    { "ООО «Вектор»", "vektor.example" }, { "АО «Северный ветер»", "sever-veter.example" },
    { "ЗАО «Стройинвест»", "stroyinvest.example" }, { "ООО «Ромашка»", "romashka.example" },
    { "НПО «Импульс»", "impuls.example" }, { "Банк «Восход»", "voskhod-bank.example" },
    { "Типография «Оттиск»", "ottisk.example" }, { "ГК «Альфа-Строй»", "alfa-stroy.example" },
    { "Acme Corporation", "acme.example" }, { "Nordic Trade Ltd", "nordictrade.example" },
    { "Müller & Söhne GmbH", "mueller-soehne.example" }, { "Blue Harbor Logistics, Inc.", "blueharbor.example" },
} };
constexpr std::array<std::string_view, 6> departments { "Отдел продаж", "Бухгалтерия", "ИТ-отдел", "Логистика", "Sales",
    "Research; Development" };
constexpr std::array<std::string_view, 12> jobTitles { "Генеральный директор", "Главный бухгалтер",
    "Менеджер по продажам", "Инженер", "Программист", "Юрист", "Секретарь", "Водитель", "Sales Manager",
    "Project Manager", "Engineer", "Accountant" };
constexpr std::array<std::string_view, 6> categoryNames { "Семья", "Работа", "Друзья", "VIP", "Клиенты", "Business" };
constexpr std::array<std::string_view, 10> noteTexts { "Звонить после 18:00", "Познакомились на конференции в Казани",
    "Код домофона 1234", "Не звонить по выходным", "Любит чай без сахара", "Call after 6 pm, please",
    "Met at the trade fair; owes me a book", "Бывший коллега, отдел закупок", "Поздравить с днём рождения!",
    "Ключи от гаража у него" };
constexpr std::array<std::string_view, 6> blockPhoneLabels { "Dacha", "Дача", "Parents", "Office 2", "Сосед", "Work 2" };
constexpr std::array<std::string_view, 3> blockEmailLabels { "Old", "Личный", "School" };
constexpr std::array<std::string_view, 3> blockDateLabels { "Wedding", "Годовщина", "Name day" };
constexpr std::array<std::string_view, 15> mobileCodes { "903", "905", "909", "910", "915", "916", "917", "919", "925",
    "926", "929", "961", "964", "985", "999" };
constexpr std::array<std::string_view, 3> cityCodes { "495", "499", "812" };
constexpr std::array<std::string_view, 4> mailDomains { "example.com", "example.net", "example.org", "mail.example" };
constexpr std::array<std::string_view, 8> streets { "ул. Тверская", "Ленинский пр-т", "ул. Профсоюзная",
    "Невский пр-т", "ул. Гагарина", "ул. Садовая", "Кутузовский пр-т", "ул. Мира" };
constexpr std::array<std::string_view, 4> cities { "Москва", "Санкт-Петербург", "Казань", "Новосибирск" };

struct ServiceNumber {
    std::string_view name;
    std::string_view number;
};

constexpr std::array<ServiceNumber, 9> serviceNumbers { {
    { "Служба спасения", "112" }, { "Пожарная охрана", "101" }, { "Полиция", "102" }, { "Скорая помощь", "103" },
    { "Газовая служба", "104" }, { "Точное время", "100" }, { "Справочная Билайн", "0611" },
    { "Справочная МТС", "0890" }, { "Справочная МегаФон", "0500" },
} };

constexpr std::array<COLORREF, 8> avatarColours { RGB(0x1E, 0x88, 0xE5), RGB(0xE5, 0x39, 0x35), RGB(0x43, 0xA0, 0x47),
    RGB(0xFB, 0x8C, 0x00), RGB(0x8E, 0x24, 0xAA), RGB(0x00, 0x89, 0x7B), RGB(0x6D, 0x4C, 0x41), RGB(0x39, 0x49, 0xAB) };

// Latin letters for an e-mail address: Cyrillic transliterated, accents dropped, the rest left out.
std::string latinLetters(std::string_view utf8)
{
    constexpr std::u16string_view cyrillic = u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя";
    constexpr std::array<std::string_view, 33> latin { "a", "b", "v", "g", "d", "e", "e", "zh", "z", "i", "y", "k", "l",
        "m", "n", "o", "p", "r", "s", "t", "u", "f", "kh", "ts", "ch", "sh", "shch", "", "y", "", "e", "yu", "ya" };
    constexpr std::u16string_view accented = u"äöüßéèáíóç";
    constexpr std::array<std::string_view, 10> plain { "ae", "oe", "ue", "ss", "e", "e", "a", "i", "o", "c" };
    std::string out;
    for (const char16_t c : emu::foldCase(emu::fromUtf8(utf8))) {
        if (c >= u'a' && c <= u'z')
            out += static_cast<char>(c);
        else if (const std::size_t at = cyrillic.find(c); at != std::u16string_view::npos)
            out += latin[at];
        else if (const std::size_t accent = accented.find(c); accent != std::u16string_view::npos)
            out += plain[accent];
    }
    return out;
}

}

ContactGenerator::ContactGenerator(std::uint32_t seed)
    : m_random(seed)
{
}

std::uint32_t ContactGenerator::below(std::uint32_t bound)
{
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(m_random()) * bound) >> 32);
}

void ContactGenerator::write(std::ostream& out, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        out << card();
}

std::string ContactGenerator::card()
{
    std::string text;
    VCardWriter writer(text);
    writer.begin();
    const std::uint32_t kind = below(100);
    if (kind < 5)
        writeService(writer);
    else
        writePerson(writer, kind < 70 ? russianPerson() : latinPerson());
    writer.end();
    return text;
}

ContactGenerator::Person ContactGenerator::russianPerson()
{
    const bool male = chance(50);
    Person person;
    person.russian = true;
    person.first = male ? pick(russianMaleFirst) : pick(russianFemaleFirst);
    const RussianName& patronymic = pick(russianPatronymics);
    const RussianName& last = pick(russianLast);
    person.last = male ? last.male : last.female;
    if (chance(50))
        person.middle = male ? patronymic.male : patronymic.female;
    return person;
}

ContactGenerator::Person ContactGenerator::latinPerson()
{
    Person person;
    person.russian = false;
    person.first = pick(latinFirst);
    person.last = pick(latinLast);
    return person;
}

std::string ContactGenerator::digits(std::size_t count)
{
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += static_cast<char>('0' + below(10));
    return out;
}

// "+7 (916) 123-45-67" or "8 916 1234567".
std::string ContactGenerator::mobileNumber()
{
    const std::string_view code = pick(mobileCodes);
    const std::string number = digits(7);
    if (chance(60))
        return "+7 (" + std::string(code) + ") " + number.substr(0, 3) + "-" + number.substr(3, 2) + "-" + number.substr(5, 2);
    return "8 " + std::string(code) + " " + number;
}

// "495 123-45-67".
std::string ContactGenerator::cityNumber()
{
    const std::string number = digits(7);
    return std::string(pick(cityCodes)) + " " + number.substr(0, 3) + "-" + number.substr(3, 2) + "-" + number.substr(5, 2);
}

std::string ContactGenerator::homeNumber()
{
    if (!m_recentHomeNumbers.empty() && chance(10))
        return pick(m_recentHomeNumbers);
    std::string number = cityNumber();
    constexpr std::size_t remembered = 16;
    if (m_recentHomeNumbers.size() == remembered)
        m_recentHomeNumbers.erase(m_recentHomeNumbers.begin());
    m_recentHomeNumbers.push_back(number);
    return number;
}

std::string ContactGenerator::personalEmail(const Person& person)
{
    const std::string first = latinLetters(person.first);
    const std::string last = latinLetters(person.last);
    std::string local;
    switch (below(3)) {
    case 0:
        local = first + "." + last;
        break;
    case 1:
        local = last + "." + first.substr(0, 1);
        break;
    default:
        local = first.substr(0, 1) + last + std::to_string(below(100));
        break;
    }
    return local + "@" + std::string(pick(mailDomains));
}

std::string ContactGenerator::date(int firstYear, int lastYear, char separator)
{
    const int year = firstYear + static_cast<int>(below(static_cast<std::uint32_t>(lastYear - firstYear + 1)));
    const int month = 1 + static_cast<int>(below(12));
    const int day = 1 + static_cast<int>(below(28));
    const auto twoDigits = [](int value) { return (value < 10 ? "0" : "") + std::to_string(value); };
    return std::to_string(year) + separator + twoDigits(month) + separator + twoDigits(day);
}

// Extra phones with labels, and now and then an e-mail address and a date, as the suite keeps them.
// Each draw is a statement of its own: the operands of one expression have no fixed order.
std::string ContactGenerator::pimInformationBlock()
{
    std::string block = "== start pim information ==\nPhone:";
    const std::uint32_t phones = 1 + below(2);
    for (std::uint32_t i = 0; i < phones; ++i) {
        block += " [" + std::string(pick(blockPhoneLabels)) + ": ";
        block += chance(50) ? mobileNumber() : cityNumber();
        block += "]";
    }
    block += "\n";
    if (chance(30)) {
        block += "Email: [" + std::string(pick(blockEmailLabels)) + ": ";
        block += latinLetters(pick(russianMaleFirst));
        block += digits(2);
        block += "@" + std::string(pick(mailDomains)) + "]\n";
    }
    if (chance(30)) {
        block += "Date: [" + std::string(pick(blockDateLabels)) + ": ";
        block += date(1980, 2020, '.') + "]\n";
    }
    return block + "== end pim information ==";
}

// A 32 x 32 picture of five by five mirrored squares on a coloured ground.
std::string ContactGenerator::photo()
{
    const COLORREF ground = pick(avatarColours);
    emu::Bitmap picture(32, 32, ground);
    const COLORREF squares = ground == avatarColours[0] ? RGB(0xFF, 0xFF, 0xFF) : RGB(0xFA, 0xFA, 0xF0);
    for (LONG row = 0; row < 5; ++row) {
        for (LONG column = 0; column < 3; ++column) {
            if (!chance(50))
                continue;
            for (const LONG x : { column, 4 - column })
                picture.fill(RECT { 1 + x * 6, 1 + row * 6, 7 + x * 6, 7 + row * 6 }, squares);
        }
    }
    return encodeBase64(encodeUncompressedPng(picture));
}

void ContactGenerator::writeService(VCardWriter& writer)
{
    const ServiceNumber& service = pick(serviceNumbers);
    writer.parts("N", { "", "", "", "", "" });
    writer.text("FN", service.name);
    writer.parts("ORG", { std::string(service.name) });
    writer.text("TEL", service.number);
    writer.raw("CATEGORIES", "Службы");
}

void ContactGenerator::writePerson(VCardWriter& writer, const Person& person)
{
    writer.parts("N", { person.last, person.first, person.middle, "", "" });
    writer.text("FN", person.russian && chance(50) ? person.last + " " + person.first : person.first + " " + person.last);
    if (chance(8))
        writer.text("NICKNAME", pick(nicknames));
    const Company* company = chance(40) ? &pick(companies) : nullptr;
    if (company) {
        if (chance(40))
            writer.parts("ORG", { std::string(company->name), std::string(pick(departments)) });
        else
            writer.parts("ORG", { std::string(company->name) });
        writer.text("TITLE", pick(jobTitles));
    }
    bool hasNumber = false;
    if (chance(90)) {
        writer.text("TEL;TYPE=CELL", mobileNumber());
        hasNumber = true;
    }
    if (chance(35)) {
        writer.text("TEL;TYPE=HOME,VOICE", homeNumber());
        hasNumber = true;
    }
    if (company && chance(70)) {
        writer.text("TEL;TYPE=WORK,VOICE", chance(50) ? cityNumber() : mobileNumber());
        hasNumber = true;
    }
    if (company && chance(8))
        writer.text("TEL;TYPE=WORK,FAX", cityNumber());
    if (!hasNumber || chance(5))
        writer.text("TEL", mobileNumber());
    if (chance(50))
        writer.text("EMAIL;TYPE=INTERNET", personalEmail(person));
    if (company && chance(60))
        writer.text("EMAIL;TYPE=INTERNET,WORK", latinLetters(person.first).substr(0, 1) + "." + latinLetters(person.last) + "@" + std::string(company->domain));
    if (company && chance(15))
        writer.text("URL", "https://www." + std::string(company->domain) + "/");
    if (chance(15)) {
        std::string street = std::string(pick(streets));
        street += ", д. " + std::to_string(1 + below(120));
        street += ", кв. " + std::to_string(1 + below(300));
        writer.parts("ADR;TYPE=HOME", { "", "", street, std::string(pick(cities)), "", "1" + digits(5), "Россия" });
    }
    if (chance(25))
        writer.text("BDAY", date(1950, 2005, '-'));
    if (chance(40)) {
        const std::string_view first = pick(categoryNames);
        const std::string_view second = pick(categoryNames);
        writer.raw("CATEGORIES", VCardWriter::escaped(first) + (second != first ? "," + VCardWriter::escaped(second) : ""));
    }
    if (chance(20)) {
        std::string note(pick(noteTexts));
        if (chance(50))
            note += "\n" + pimInformationBlock();
        writer.text("NOTE", note);
    }
    if (chance(10))
        writer.raw("PHOTO;ENCODING=b;TYPE=PNG", photo());
    if (chance(3))
        writer.text("X-KORVANE-RINGTONE", "\\My Documents\\My Ringtones\\" + latinLetters(person.last) + ".mp3");
}

}
