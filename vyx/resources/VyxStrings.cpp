// The string table of Vyx: every text of the program by its resource identifier, sorted by
// identifier. The source is UTF-8; the texts are UTF-16 literals.
#include "vyx/resources/VyxStrings.h"

#include "vyx/resources/VyxAlphabets.h"

#include <cstddef>
#include <iterator>

namespace vyx {

namespace {

constexpr platform::StringResource vyxStrings[] = {
    { IDS_APP_TITLE, u"Vyx" },
    { IDS_FILTER_ALLOW_ALL, u"Разрешить Все" },
    { IDS_FILTER_BLOCK_ALL, u"Запретить Все" },
    { IDS_OK, u"OK" },
    { IDS_CANCEL, u"Отмена" },
    { IDS_BROWSE, u"Обзор" },
    { IDS_OPTIONS_TITLE, u"Опции" },
    { IDS_MENU_OPTIONS, u"Опции..." },
    { IDS_CLEAR, u"Очистить" },
    { IDS_EDIT_RINGTONE_TITLE, u"Изменить мелодию" },
    { IDS_SEND_SMS_TITLE, u"Послать SMS" },
    { IDS_CHOOSE_RINGTONE_TITLE, u"Выбрать мелодию..." },
    { IDS_CALLER_NO_NUMBER, u"Номер не определен" },
    { IDS_ENTRY_NO_CATEGORY, u"Без категорий" },
    { IDS_EXIT_NOTICE, u"Вы закрыли Vyx. Мы настоятельно рекомендуем закрыть все программы и сделать мягкую перезагрузку(Soft Reset) Вашего устройства для нормальной работы стандартного телефона." },
    { IDS_ENTRY_NO_NUMBER, u"Секретный (нет номера)" },
    { IDS_ENTRY_NO_CONTACT, u"Неизвестный (нет записи)" },
    { IDS_CATEGORY_RINGTONES_TITLE, u"Настройка мелодий на категории" },
    { IDS_DEFAULT_RINGTONE, u"Мелодия по умолчанию" },
    { IDS_CALLER_WITHHELD, u"Закрытый номер" },
    { IDS_MENU_RING_TYPE, u"Тип Звонка" },
    { IDS_LABEL_WORK, u"Рабочий" },
    { IDS_LABEL_MOBILE, u"Мобильный" },
    { IDS_LABEL_HOME_FAX, u"Дом. факс" },
    { IDS_LABEL_WORK_FAX, u"Раб. факс" },
    { IDS_LABEL_CAR, u"Авто" },
    { IDS_LABEL_PAGER, u"Пейджер" },
    { IDS_LABEL_RADIO, u"Радио" },
    { IDS_LABEL_ASSISTANT, u"Асcистент" }, // the third letter is a Latin c
    { IDS_LABEL_MMS, u"ММС" },
    { IDS_LABEL_COMPANY, u"Организация" },
    { IDS_LABEL_EMAIL, u"E-mail" },
    { IDS_LABEL_EMAIL2, u"E-mail 2" },
    { IDS_LABEL_EMAIL3, u"E-mail 3" },
    { IDS_LABEL_HOME, u"Домашний" },
    { IDS_RING_SILENT, u"Бесшумный" },
    { IDS_RING_NORMAL, u"Звонок" },
    { IDS_RING_ONCE, u"Звонок один раз" },
    { IDS_RING_INCREASING, u"Нарастающий Звонок" },
    { IDS_RING_VIBRATE, u"Вибро" },
    { IDS_RING_VIBRATE_AND_RING, u"Вибро и Звонок" },
    { IDS_RING_VIBRATE_THEN_RING, u"Вибро потом Звонок" },
    { IDS_RING_VIBRATE_AND_INCREASING, u"Вибро и Нарастающий Звонок" },
    { IDS_MENU_RINGTONES, u"Мелодии..." },
    { IDS_MENU_START_KAB, u"Запустить Kab" },
    { IDS_MENU_EXIT, u"Завершить работу Vyx" },
    { IDS_LOAD_SKIN_FAILED, u"Load skin failed !" },
    { IDS_SYSTEM_SETTING, u"Системный" },
    { IDS_MENU_RING_VOLUME, u"Громкость Звонка" },
    { IDS_MENU_CALL_FILTER, u"Фильтр Звонков" },
    { IDS_LOG_LABEL_MOBILE, u"м" },
    { IDS_LOG_LABEL_HOME, u"д" },
    { IDS_LOG_LABEL_WORK, u"р" },
    { IDS_SMS_IN_A_MEETING, u"Я на совещании." },
    { IDS_SMS_SLEEPING, u"Я сплю." },
    { IDS_SMS_CANNOT_ANSWER, u"Не могу ответить." },
    { IDS_SMS_WILL_CALL_BACK, u"Перезвоню позже." },
    { IDS_SMS_BUSY_AT_WORK, u"Занят на работе." },
    { IDS_SMS_BUSY_CALL_LATER, u"Занят. Перезвоните позже." },
    { IDS_SMS_DRIVING, u"Я за рулем." },
    { IDS_SMS_EMPTY_SLOT, u"<Не задано>" },
    { IDS_EDIT_SMS, u"Редакт. СМС..." },
};

constexpr bool sortedById()
{
    for (std::size_t i = 1; i < std::size(vyxStrings); ++i) {
        if (vyxStrings[i - 1].id >= vyxStrings[i].id)
            return false;
    }
    return true;
}
static_assert(sortedById(), "the string table must be sorted by identifier, without repeats");

constexpr platform::ModuleResources resources { vyxStrings, vyxAlphabets };

}

const platform::ModuleResources& vyxResources()
{
    return resources;
}

}
