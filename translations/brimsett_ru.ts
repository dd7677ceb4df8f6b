<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru" sourcelanguage="en">
<context>
    <name>Brimsett</name>
    <message>
        <source>Editor for collections of property sets. See brimsett(1).</source>
        <translation>Редактор коллекций наборов свойств. Подробнее: brimsett(1).</translation>
    </message>
    <message>
        <source>A set file (.vsxml) to open at start-up.</source>
        <translation>Файл наборов (.vsxml), открываемый при запуске.</translation>
    </message>
</context>
<context>
    <name>Conversion</name>
    <message>
        <source>&apos;&apos;%1&apos;&apos; is not a valid date</source>
        <translation>«%1» — недопустимая дата</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid floating point value</source>
        <translation>«%1» — недопустимое число с плавающей точкой</translation>
    </message>
    <message>
        <source>&apos;&apos;%1&apos;&apos; is not a valid integer value</source>
        <translation>«%1» — недопустимое целое число</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid GUID value</source>
        <translation>«%1» — недопустимое значение GUID</translation>
    </message>
    <message>
        <source>%1 (set &quot;%2&quot;)</source>
        <translation>%1 (набор «%2»)</translation>
    </message>
    <message>
        <source>%1 (item &quot;%2&quot;)</source>
        <translation>%1 (элемент «%2»)</translation>
    </message>
</context>
<context>
    <name>Expat</name>
    <message>
        <source>syntax error</source>
        <translation>синтаксическая ошибка</translation>
    </message>
    <message>
        <source>no element found</source>
        <translation>не найдено ни одного элемента</translation>
    </message>
    <message>
        <source>not well-formed (invalid token)</source>
        <translation>нарушена структура XML (недопустимая лексема)</translation>
    </message>
    <message>
        <source>unclosed token</source>
        <translation>незакрытая лексема</translation>
    </message>
    <message>
        <source>partial character</source>
        <translation>неполный символ</translation>
    </message>
    <message>
        <source>mismatched tag</source>
        <translation>несоответствие тегов</translation>
    </message>
    <message>
        <source>duplicate attribute</source>
        <translation>повторяющийся атрибут</translation>
    </message>
    <message>
        <source>junk after document element</source>
        <translation>лишние данные после элемента документа</translation>
    </message>
    <message>
        <source>illegal parameter entity reference</source>
        <translation>недопустимая ссылка на параметрическую сущность</translation>
    </message>
    <message>
        <source>undefined entity</source>
        <translation>неопределённая сущность</translation>
    </message>
    <message>
        <source>recursive entity reference</source>
        <translation>рекурсивная ссылка на сущность</translation>
    </message>
    <message>
        <source>asynchronous entity</source>
        <translation>асинхронная сущность</translation>
    </message>
    <message>
        <source>reference to invalid character number</source>
        <translation>ссылка на недопустимый номер символа</translation>
    </message>
    <message>
        <source>reference to binary entity</source>
        <translation>ссылка на двоичную сущность</translation>
    </message>
    <message>
        <source>reference to external entity in attribute</source>
        <translation>ссылка на внешнюю сущность в атрибуте</translation>
    </message>
    <message>
        <source>XML or text declaration not at start of entity</source>
        <translation>объявление XML или текста не в начале сущности</translation>
    </message>
    <message>
        <source>unknown encoding</source>
        <translation>неизвестная кодировка</translation>
    </message>
    <message>
        <source>encoding specified in XML declaration is incorrect</source>
        <translation>кодировка, указанная в объявлении XML, неверна</translation>
    </message>
    <message>
        <source>unclosed CDATA section</source>
        <translation>незакрытая секция CDATA</translation>
    </message>
    <message>
        <source>error in processing external entity reference</source>
        <translation>ошибка при обработке ссылки на внешнюю сущность</translation>
    </message>
    <message>
        <source>document is not standalone</source>
        <translation>документ не является автономным</translation>
    </message>
    <message>
        <source>unexpected parser state - please send a bug report</source>
        <translation>непредвиденное состояние анализатора — пожалуйста, сообщите об ошибке</translation>
    </message>
    <message>
        <source>entity declared in parameter entity</source>
        <translation>сущность объявлена в параметрической сущности</translation>
    </message>
    <message>
        <source>incomplete markup in parameter entity</source>
        <translation>незавершённая разметка в параметрической сущности</translation>
    </message>
    <message>
        <source>XML declaration not well-formed</source>
        <translation>нарушена структура объявления XML</translation>
    </message>
    <message>
        <source>text declaration not well-formed</source>
        <translation>нарушена структура объявления текста</translation>
    </message>
    <message>
        <source>illegal character(s) in public id</source>
        <translation>недопустимые символы в публичном идентификаторе</translation>
    </message>
    <message>
        <source>parsing aborted</source>
        <translation>разбор прерван</translation>
    </message>
    <message>
        <source>limit on input amplification factor (from DTD and entities) breached</source>
        <translation>превышен предел коэффициента увеличения входных данных (за счёт DTD и сущностей)</translation>
    </message>
</context>
<context>
    <name>Reason</name>
    <message>
        <source>Unexpected node</source>
        <translation>Неожиданный узел</translation>
    </message>
    <message>
        <source>Not a regular file</source>
        <translation>Не обычный файл</translation>
    </message>
    <message>
        <source>The symbolic link &quot;%1&quot; belongs to another user in a folder that everybody may write; it is not followed.</source>
        <translation>Символическая ссылка «%1» принадлежит другому пользователю и лежит в папке, куда может писать каждый; по ней не переходят.</translation>
    </message>
    <message>
        <source>Not enough memory to read the file.</source>
        <translation>Недостаточно памяти для чтения файла.</translation>
    </message>
    <message>
        <source>The file grew while it was read.</source>
        <translation>Файл увеличился во время чтения.</translation>
    </message>
    <message>
        <source>Attribute values expand the document beyond the limit.</source>
        <translation>Значения атрибутов увеличивают документ сверх предела.</translation>
    </message>
    <message>
        <source>Attribute defaults expand the document beyond the limit.</source>
        <translation>Значения атрибутов по умолчанию увеличивают документ сверх предела.</translation>
    </message>
    <message>
        <source>Entity reference in attribute value cannot be resolved.</source>
        <translation>Ссылку на сущность в значении атрибута нельзя разрешить.</translation>
    </message>
    <message>
        <source>Elements are nested too deeply.</source>
        <translation>Слишком глубокая вложенность элементов.</translation>
    </message>
    <message>
        <source>Unsupported XML version.</source>
        <translation>Неподдерживаемая версия XML.</translation>
    </message>
    <message>
        <source>The encoding declaration does not match the byte-order mark.</source>
        <translation>Объявленная кодировка не совпадает с меткой порядка байтов.</translation>
    </message>
    <message>
        <source>Too many attributes declared for one element.</source>
        <translation>Для одного элемента объявлено слишком много атрибутов.</translation>
    </message>
    <message>
        <source>Entity &apos;%1&apos; not declared.</source>
        <translation>Сущность «%1» не объявлена.</translation>
    </message>
    <message>
        <source>The cost of item &quot;%1&quot; in set &quot;%2&quot; is %3, which a set file cannot hold</source>
        <translation>Цена элемента &quot;%1&quot; в наборе &quot;%2&quot; равна %3, такую файл наборов сохранить не может</translation>
    </message>
    <message>
        <source>No file name given.</source>
        <translation>Не указано имя файла.</translation>
    </message>
    <message>
        <source>The file is in UTF-16 without a byte-order mark.</source>
        <translation>Файл в кодировке UTF-16 без метки порядка байтов.</translation>
    </message>
    <message>
        <source>The root element is not &quot;propdb&quot;</source>
        <translation>Корневой элемент — не &quot;propdb&quot;</translation>
    </message>
    <message>
        <source>The document uses too many different attribute names.</source>
        <translation>В документе слишком много разных имён атрибутов.</translation>
    </message>
    <message>
        <source>An element has too many attributes.</source>
        <translation>У элемента слишком много атрибутов.</translation>
    </message>
    <message>
        <source>An element&apos;s tag is longer than 16 MB.</source>
        <translation>Тег элемента длиннее 16 МБ.</translation>
    </message>
    <message>
        <source>The document uses too many different element names.</source>
        <translation>В документе слишком много разных имён элементов.</translation>
    </message>
    <message>
        <source>Parameter entity references are not supported.</source>
        <translation>Ссылки на параметрические сущности не поддерживаются.</translation>
    </message>
    <message>
        <source>Entity &apos;%1&apos; refers to itself.</source>
        <translation>Сущность «%1» ссылается сама на себя.</translation>
    </message>
    <message>
        <source>Entity references are nested too deeply.</source>
        <translation>Ссылки на сущности вложены слишком глубоко.</translation>
    </message>
    <message>
        <source>The document type declares too many entities.</source>
        <translation>В описании типа документа объявлено слишком много сущностей.</translation>
    </message>
    <message>
        <source>Cannot convert the text to the character set %1: %2</source>
        <translation>Не удаётся перевести текст в кодировку %1: %2</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is the set file being exported; the export would overwrite it.</source>
        <translation>«%1» — это открытый файл наборов, и выгрузка перезаписала бы его.</translation>
    </message>
    <message>
        <source>Not enough memory.</source>
        <translation>Недостаточно памяти.</translation>
    </message>
</context>
<context>
    <name>TTool</name>
    <message>
        <source>empty locale name</source>
        <translation>пустое имя локали</translation>
    </message>
    <message>
        <source>unknown locale &quot;%1&quot;</source>
        <translation>неизвестная локаль &quot;%1&quot;</translation>
    </message>
    <message>
        <source>the environment&apos;s locale is not available; the C settings apply</source>
        <translation>локаль окружения недоступна, действуют настройки C</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>неизвестный параметр %1</translation>
    </message>
    <message>
        <source>option %1 has no value</source>
        <translation>у параметра %1 нет значения</translation>
    </message>
    <message>
        <source>invalid command line: %1</source>
        <translation>неверная командная строка: %1</translation>
    </message>
    <message>
        <source>too few files for the command %1</source>
        <translation>команде %1 не хватает файлов</translation>
    </message>
    <message>
        <source>extra argument &quot;%1&quot;</source>
        <translation>лишний аргумент &quot;%1&quot;</translation>
    </message>
    <message>
        <source>sets: %1, items: %2</source>
        <translation>наборов: %1, элементов: %2</translation>
    </message>
    <message>
        <source>error: %1</source>
        <translation>ошибка: %1</translation>
    </message>
    <message>
        <source>%1: read error: %2</source>
        <translation>%1: ошибка чтения: %2</translation>
    </message>
    <message>
        <source>%1: not written</source>
        <translation>%1: не записан</translation>
    </message>
    <message>
        <source>%1: write error: %2</source>
        <translation>%1: ошибка записи: %2</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>не указана команда</translation>
    </message>
    <message>
        <source>unknown command &quot;%1&quot;</source>
        <translation>неизвестная команда &quot;%1&quot;</translation>
    </message>
    <message>
        <source>option %1 does not belong to the command %2</source>
        <translation>параметр %1 не относится к команде %2</translation>
    </message>
    <message>
        <source>option %1 is given more than once</source>
        <translation>параметр %1 задан больше одного раза</translation>
    </message>
    <message>
        <source>the detail level must be 0, 1 or 2, not &quot;%1&quot;</source>
        <translation>уровень детализации должен быть 0, 1 или 2, а не &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Help: brimsett-tool --help</source>
        <translation>Справка: brimsett-tool --help</translation>
    </message>
    <message>
        <source>argument &quot;%1&quot; is not UTF-8: such a name cannot be passed on unchanged</source>
        <translation>аргумент &quot;%1&quot; не в UTF-8: такое имя не передать без искажения</translation>
    </message>
    <message>
        <source>write error on standard output: %1</source>
        <translation>ошибка записи в стандартный вывод: %1</translation>
    </message>
    <message>
        <source>%1: warning: %2</source>
        <translation>%1: предупреждение: %2</translation>
    </message>
    <message>
        <source>the command %1 needs the option %2</source>
        <translation>команде %1 нужен параметр %2</translation>
    </message>
    <message>
        <source>%1 and %2 exclude each other</source>
        <translation>%1 и %2 вместе не задаются</translation>
    </message>
    <message>
        <source>The regional settings of the locale NAME (for example
ru_RU.UTF-8): date format, decimal separator, character
set and row order of the export. Without it the
environment&apos;s settings apply.</source>
        <translation>Региональные настройки локали NAME (например ru_RU.UTF-8):
формат даты, десятичный разделитель, кодировка и порядок
строк выгрузки. Без параметра действуют настройки окружения.</translation>
    </message>
    <message>
        <source>The settings INPUT was written under.</source>
        <translation>Настройки, в которых записан INPUT.</translation>
    </message>
    <message>
        <source>The settings to write OUTPUT under.</source>
        <translation>Настройки, в которых записать OUTPUT.</translation>
    </message>
    <message>
        <source>Only sets whose language is exactly TEXT (an empty
TEXT: sets without a language).</source>
        <translation>Только наборы, язык которых в точности равен TEXT (пустой
TEXT: наборы без языка).</translation>
    </message>
    <message>
        <source>Sets of any language; also without --language.</source>
        <translation>Наборы любого языка; так же без --language.</translation>
    </message>
    <message>
        <source>Only sets whose country is exactly TEXT.</source>
        <translation>Только наборы, страна которых в точности равна TEXT.</translation>
    </message>
    <message>
        <source>Sets of any country; also without --country.</source>
        <translation>Наборы любой страны; так же без --country.</translation>
    </message>
    <message>
        <source>The detail level: 0 low, 1 medium, 2 high (default 2).</source>
        <translation>Степень детализации: 0 низкая, 1 средняя, 2 высокая
(по умолчанию 2).</translation>
    </message>
    <message>
        <source>This help.</source>
        <translation>Эта справка.</translation>
    </message>
    <message>
        <source>The program&apos;s version.</source>
        <translation>Версия программы.</translation>
    </message>
    <message>
        <source>brimsett-tool: checks set files (.vsxml), converts them to other regional
settings and exports them, without the editor&apos;s window.

Usage:
  brimsett-tool check   [--locale NAME] FILE...
  brimsett-tool convert --from NAME --to NAME INPUT OUTPUT
  brimsett-tool export  [--locale NAME] [--language TEXT | --all-languages]
                        [--country TEXT | --all-countries] [--level 0|1|2] INPUT OUTPUT
  brimsett-tool --help | --version

Commands:
  check    Reads each FILE completely and prints one line per file: the file
           name and its numbers of sets and items, or the reader&apos;s error
           message (its lines joined by &quot; | &quot;).
  convert  Reads INPUT under the settings of --from and writes OUTPUT under
           those of --to, as the editor would save it. When INPUT does not
           read completely, OUTPUT is neither created nor changed.
  export   Writes to OUTPUT what the window &quot;Выбор набора&quot; would write with
           &quot;Сохранить в текстовый файл&quot; for each set that passes the filters,
           in file order: its items with a detail level up to --level and
           the default flag set, by name; in the 8-bit character set of the
           settings, lines ended by CR LF.
           A character that the character set cannot hold is written
           as &quot;?&quot;; how many there were is said on standard error.

A file reads completely when there is no read error: text or an element in
propdb other than a type element is an error too; a comment there is skipped.
An output file is replaced only once it is completely written.
An existing output that is not a regular file (a device, a FIFO) is
refused and left as it is; so is a file name that is not valid UTF-8.
A FILE or INPUT of - reads standard input, an OUTPUT of - writes to standard
output (not replaced atomically); messages always go to standard error.

Options:
</source>
        <translation>brimsett-tool: проверка, перевод в другие региональные настройки и выгрузка
файлов наборов (.vsxml) без окна редактора.

Использование:
  brimsett-tool check   [--locale NAME] FILE...
  brimsett-tool convert --from NAME --to NAME INPUT OUTPUT
  brimsett-tool export  [--locale NAME] [--language TEXT | --all-languages]
                        [--country TEXT | --all-countries] [--level 0|1|2] INPUT OUTPUT
  brimsett-tool --help | --version

Команды:
  check    Читает каждый FILE целиком и выводит по строке на файл: имя файла и
           число наборов и элементов либо сообщение об ошибке чтения (его строки
           через &quot; | &quot;).
  convert  Читает INPUT в настройках --from и записывает OUTPUT в настройках --to
           так, как его сохранил бы редактор. Если INPUT не читается целиком,
           OUTPUT не создаётся и не меняется.
  export   Записывает в OUTPUT то, что окно &quot;Выбор набора&quot; записало бы кнопкой
           &quot;Сохранить в текстовый файл&quot; для каждого набора, прошедшего фильтры,
           в порядке файла: его элементы с детализацией не выше --level и с
           признаком &quot;по умолчанию&quot;, по имени; в 8-битной кодировке настроек,
           строки через CR LF.
           Символ, которого нет в кодировке, записывается как &quot;?&quot;;
           сколько их было, сообщается в стандартный поток ошибок.

Файл прочитан целиком, когда нет ошибки чтения: текст или элемент в propdb,
кроме элемента type, тоже ошибка; комментарий там пропускается.
Выходной файл заменяется только записанным полностью.
Существующий выходной объект, который не является обычным файлом (устройство,
FIFO), не принимается и остаётся как был; так же и имя файла не в UTF-8.
FILE или INPUT, равный -, читается со стандартного ввода, OUTPUT, равный -,
пишется на стандартный вывод (без атомарной замены); сообщения всегда идут в
стандартный поток ошибок.

Параметры:
</translation>
    </message>
    <message>
        <source>Exit status: 0 success; 1 a file did not read completely or was not written;
2 a command-line error (unknown command, option or locale, a missing
argument, a wrong level, options that exclude each other).
</source>
        <translation>Код возврата: 0 успех; 1 файл не прочитан целиком или не записан; 2 ошибка в
командной строке (неизвестная команда, параметр или локаль, нет аргумента,
неверный уровень, несовместимые параметры).
</translation>
    </message>
</context>
<context>
    <name>Warning</name>
    <message>
        <source>%1 elements, attributes or other nodes that the format does not know were skipped; the first: &quot;%2&quot;, line %3.</source>
        <translation>Пропущено элементов, атрибутов и других узлов, которых нет в формате: %1; первый — «%2», строка %3.</translation>
    </message>
    <message>
        <source>%1 costs have more than 15 significant digits, which is all a set file keeps, or are too small for a number and read as zero; the first: item &quot;%2&quot;, line %3.</source>
        <translation>Цен с более чем 15 значащими цифрами (больше файл наборов не хранит) или слишком малых для числа и прочитанных как ноль: %1; первая — у элемента «%2», строка %3.</translation>
    </message>
    <message>
        <source>%1 dates have no year or a two-digit one, completed from the current year; the first: item &quot;%2&quot;, line %3.</source>
        <translation>Дат без года или с двузначным годом, дополненных по текущему году: %1; первая — у элемента «%2», строка %3.</translation>
    </message>
    <message>
        <source>%1 default flags lie outside 0 to 255 and were read modulo 256; the first: item &quot;%2&quot;, line %3.</source>
        <translation>Признаков «по умолчанию» вне 0–255, прочитанных по модулю 256: %1; первый — у элемента «%2», строка %3.</translation>
    </message>
    <message>
        <source>%1 detail levels lie outside 0 to 2, so these items show at no level of the test view; the first: item &quot;%2&quot;, line %3.</source>
        <translation>Уровней детализации вне 0–2 (такие элементы не видны в тесте ни на каком уровне): %1; первый — у элемента «%2», строка %3.</translation>
    </message>
    <message>
        <source>%1 rows hold a tab or a line break in a name or currency, which splits them; the first: item &quot;%2&quot;.</source>
        <translation>Строк с табуляцией или переводом строки в имени или валюте (строка разорвётся): %1; первая — элемент «%2».</translation>
    </message>
    <message>
        <source>%1 characters have no byte in the character set %3, so &quot;?&quot; or a look-alike stands in their place; the first is in the name &quot;%2&quot;.</source>
        <translation>Не удалось записать в кодировке %3 символов: %1 (вместо них стоит «?» или похожий знак); первое такое имя: «%2».</translation>
    </message>
</context>
</TS>
