#!/usr/bin/env python3
"""Collects the program's resource texts from the design document into the built-in
resource documents (one per resource unit, Portuguese and English).

    tools/collect_resources.py DESIGN.md [--out src/persist/res] [--list]

The design text quotes resource entries in a few fixed shapes: a key followed by its text
(`1` "OK", 5000 "Senha", "poDirect" "Direta (1-9)"), a key with its text in parentheses
("mbError" ("Erro"), 5101 ("Cor...")), or with a "shipped text" remark (resource "2100",
shipped text "..."). Keys are decimal numbers or names with a known mnemonic prefix. The
result is deterministic: entries are sorted by unit, then by key. Keys the program looks up
whose text the design leaves open get the authored texts of the AUTHORED table; the English
documents take their texts from resources_en.py. --list prints the collected entries with
their source (quoted, authored, script) instead of writing files.

Standard library only; the build does not run this script, its outputs are committed.
"""

import argparse
import os
import re
import sys

# Mnemonic prefixes of resource keys and the unit that holds each family.
CLASS_PREFIXES = ("zm", "pp", "pg", "pm", "po", "dup", "mb", "cl", "xr", "en", "db", "cr",
                  "pr", "u", "exp", "er", "hk")
DESIGN_PREFIXES = ("oi", "dt", "ds", "va", "ob", "mv", "bv", "lv", "pv", "sr", "fk", "ct",
                   "wz", "ft", "ag", "vt")
INSP_PREFIXES = ("prop",)

# Band names double as keys of their localized default names.
BAND_NAMES = {"ReportTitle", "ReportSummary", "PageHeader", "PageFooter", "Header", "Footer",
              "MasterData", "DetailData", "SubdetailData", "Data4", "Data5", "Data6",
              "GroupHeader", "GroupFooter", "Child", "ColumnHeader", "ColumnFooter",
              "Overlay"}

# Names that have a resource-key shape but are enumeration values, type names or
# hyperlink kinds in the quoted context, never resource keys.
NOT_KEYS = {"hkPageNumber", "poPortrait", "poLandscape", "dupIgnore", "dupAccept",
            "dupError"}

# Keys whose text the design quotes apart from the key (in a list or a later sentence);
# each text must occur quoted in the design.
SEPARATE = {
    "9": "Informe números e/ou intervalos de páginas, separados por vírgulas. Ex.: 1,3,5-12",
    "2909": "Dicionário (*.ku3)|*.ku3",
    "2910": "Dicionário (*.ku3)|*.ku3",
    "3900": "Memorando",
    "clCantRen": "Não foi possível renomear %s, foi introduzido no relatório ancestral ",
    "mbConfirm": "Confirmação",
    "mbInfo": "Informação",
    "enBandPos": "Posição incorreta da banda:",
    "enUnconnHeader": "Cabeçalho/Rodapé desconectado",
    "enUnconnGroup": "Grupo sem banda de dados",
    "enUnconnGFooter": "Sem cabeçalho de grupo para",
    "dtNoData": "Sem dados disponíveis.",
    "vt1": "[DATE]",
    "vt2": "[TIME]",
    "vt3": "[PAGE#]",
    "vt4": "[TOTALPAGES#]",
    "vt5": "[PAGE#] de [TOTALPAGES#]",
    "vt6": "[LINE#]",
}
# The text stands in a remark without its own quotes.
SEPARATE_UNQUOTED = {
    "clDSNotExist": 'Dataset "%s" não existe',
}

# The script engine's messages: fixed English texts in every language.
SCRIPT_MESSAGES = {
    "SLangNotFound": "Language '%s' not found",
    "SInvalidLanguage": "Invalid language definition",
    "SIdRedeclared": "Identifier redeclared: ",
    "SUnknownType": "Unknown type: ",
    "SIncompatibleTypes": "Incompatible types",
    "SIdUndeclared": "Undeclared identifier: ",
    "SClassRequired": "Class type required",
    "SIndexRequired": "Index required",
    "SStringError": "Strings doesn't have properties or methods",
    "SClassError": "Class %s does not have a default property",
    "SArrayRequired": "Array type required",
    "SVarRequired": "Variable required",
    "SNotEnoughParams": "Not enough actual parameters",
    "STooManyParams": "Too many actual parameters",
    "SLeftCantAssigned": "Left side cannot be assigned to",
    "SForError": "For loop variable must be numeric variable",
    "SEventError": "Event handler must be a procedure",
}

# Authored texts: keys the program looks up whose text the design leaves open. Grouped by
# the unit that holds them (which also places keys without a known prefix). Conventions:
# window captions in title case, everything else in sentence case, labels end with ":",
# commands that open a dialog end with "...". A key listed here must not have a quoted
# text in the design (the quoted text always wins; collect() checks this).
AUTHORED = {
    "kavrcClass": {
        # localized default names of the bands not named above
        "ReportSummary": "ResumoDoRelatório",
        "PageHeader": "CabeçalhoDaPágina",
        "PageFooter": "RodapéDaPágina",
        "Header": "Cabeçalho",
        "Footer": "Rodapé",
        "DetailData": "DadosDetalhe",
        "SubdetailData": "DadosSubdetalhe",
        "Data5": "Dados5",
        "Data6": "Dados6",
        "GroupHeader": "CabeçalhoDoGrupo",
        "GroupFooter": "RodapéDoGrupo",
        "ColumnHeader": "CabeçalhoDaColuna",
        "ColumnFooter": "RodapéDaColuna",
        # preview: the edit button, also the edit button of the connections editor
        "132": "Editar",
        # preview: close button while preparing and afterwards
        "clCancel": "Cancelar",
        "clClose": "Fechar",
        # loading and language files
        "clDecryptError": "Erro de descriptografia do fluxo",
        "clLangLoadError": "Não foi possível carregar o idioma %s:",
        # report file: an element in a place where its class may not stand
        "xrMisplacedClass": "Elemento não permitido aqui:",
        "xrTooManyItems": "Itens demais em",
        # print dialog: pages to print, duplex modes, sheet paper list head
        "ppAll": "Todas as páginas",
        "ppOdd": "Páginas ímpares",
        "ppEven": "Páginas pares",
        "dupDefault": "Padrão",
        "dupVert": "Vertical",
        "dupHorz": "Horizontal",
        "dupSimpl": "Simplex",
        "pgDefault": "Padrão",
        # unit names after length fields
        "uInch": "pol",
        "uPix": "px",
        "uChar": "car",
        # picture editor: clipboard without a picture
        "erInvalidImg": "Imagem inválida ou formato não suportado",
        # preview window: tool button hints and the page number box
        "101": "Imprimir",
        "102": "Abrir",
        "103": "Salvar",
        "104": "Exportar",
        "105": "Localizar",
        "106": "Aumentar zoom",
        "107": "Diminuir zoom",
        "108": "Zoom",
        "109": "Configurar página",
        "110": "Índice",
        "111": "Miniaturas",
        "112": "Primeira página",
        "113": "Página anterior",
        "114": "Próxima página",
        "115": "Última página",
        "116": "Nova página",
        "117": "Excluir página",
        "118": "Tela cheia",
        "119": "Localizar próximo",
        "120": "Página",
        # export dialog: file, pages and options; the options some export formats add
        "141": "Arquivo:",
        "142": "Procurar...",
        "143": "Páginas",
        "144": "Todas",
        "145": "Página atual",
        "146": "Intervalo:",
        "147": "Somente os dados",
        "148": "Cabeçalho de página só na primeira, rodapé só na última",
        "149": "Resolução (ppp)",
        "150": "Qualidade",
        "151": "Índice como marcadores",
        "152": "Um arquivo por página",
        "pvCRLF": "Fim de linha CR LF",
        "pvEmbedPictures": "Imagens dentro do documento",
        "pvPageBreaks": "Quebra de página entre as páginas",
        "pvPrinterCommands": "Comandos da impressora matricial",
        "pvSeparator": "Separador",
        # preview's find dialog
        "301": "Texto a localizar:",
        "302": "Opções",
        "303": "Diferenciar maiúsculas e minúsculas",
        "304": "Procurar desde o início",
        # preview's page settings dialog: paper, orientation, margins, pages it applies to
        "401": "Papel",
        "402": "Largura",
        "403": "Altura",
        "404": "Orientação",
        "405": "Retrato",
        "406": "Paisagem",
        "407": "Margens",
        "408": "Esquerda",
        "409": "Direita",
        "410": "Superior",
        "411": "Inferior",
        "412": "Aplicar à página atual",
        "413": "Aplicar a todas as páginas",
        "414": "Tamanho",
        # preview: a missing file, asking before a hyperlink is opened
        "clFileNotFound": "Arquivo não encontrado: %s",
        "clHelpNotShown": "Nenhum programa para mostrar páginas da web foi encontrado para abrir a página de ajuda %s",
        "clOpenLink": "Abrir %s?",
        # report file: an object renamed because its name was taken
        "xrRenamedDupl": "Nome duplicado %s (já usado por %s): o objeto foi renomeado para %s",
    },
    "kavrcInsp": {
        "propActive.TkavHighlight": "Indica se o realce é mostrado quando os objetos "
                                    "preparados são reconstruídos",
        "propAlign": "Alinhamento do objeto em relação à banda ou página",
        "propAutoWidth": "Ajusta a largura do objeto ao texto",
        "propColor": "Cor de fundo do objeto",
        "propDataField": "Nome do campo de dados ligado ao objeto",
        "propDataSet": "Conjunto de dados ligado ao objeto",
        "propFill": "Preenchimento do fundo do objeto",
        "propFont": "Fonte do texto do objeto",
        "propFrame": "Borda do objeto",
        "propHAlign": "Alinhamento horizontal do texto",
        "propHeight": "Altura do objeto",
        "propLeft": "Coordenada esquerda do objeto",
        "propMemo": "Texto do objeto",
        "propName": "Nome do objeto",
        "propPrintable": "Indica se o objeto é impresso",
        "propStretched": "Indica se a altura do objeto cresce com o conteúdo",
        "propTop": "Coordenada superior do objeto",
        "propVAlign": "Alinhamento vertical do texto",
        "propVisible": "Indica se o objeto é visível",
        "propWidth": "Largura do objeto",
        "propWordWrap": "Quebra as linhas longas do texto",
    },
    "kavrcDesgn": {
        # designer: why a clipboard text cannot be pasted
        "dsClipboardInvalid": "O conteúdo da área de transferência não pode ser colado:",
        "dsClipboardNoObjects": "a área de transferência não contém objetos de relatório",
        "dsClipboardTooLarge": "o texto é grande demais",
        # styles editor: the check box that keeps a style's font on the default character set
        "dsDefCharset": "Conjunto de caracteres padrão",
        # the View menu's theme choice
        "dsTheme": "Tema",
        "dsThemeDark": "Escuro",
        "dsThemeLight": "Claro",
        "dsThemeSystem": "Do sistema",
        # data tree: tabs, check boxes of the data tab, tree roots, empty-data hint
        "2101": "Dados",
        "2102": "Variáveis",
        "2103": "Funções",
        "2104": "Inserir campo",
        "2105": "Inserir título",
        "2106": "Classes",
        "6004": "Ordenar campos",
        "dtData": "Dados",
        "dtVar": "Variáveis",
        "dtSysVar": "Variáveis do sistema",
        "dtFunc": "Funções",
        "dtNoData1": "Use o comando Relatório | Dados... para escolher os conjuntos de dados "
                     "do relatório.",
        # function categories of the expression editor
        "ctAggregate": "Agregadas",
        "ctConv": "Conversão",
        "ctDate": "Data e hora",
        "ctFormat": "Formatação",
        "ctMath": "Matemática",
        "ctOther": "Outras",
        "ctString": "Texto",
        # page options dialog: caption; paper page (size, orientation, margins, paper
        # sources); other options page (columns, page flags, duplex); unit labels
        "2700": "Opções da Página",
        "2701": "Papel",
        "2702": "Tamanho",
        "2703": "Largura:",
        "2704": "Altura:",
        "2705": "Orientação",
        "2706": "Retrato",
        "2707": "Paisagem",
        "2708": "Margens",
        "2709": "Esquerda:",
        "2710": "Superior:",
        "2711": "Direita:",
        "2712": "Inferior:",
        "2713": "Fonte do papel",
        "2714": "Primeira página:",
        "2715": "Outras páginas:",
        "2716": "Outras opções",
        "2717": "Colunas",
        "2718": "Número:",
        "2719": "Largura:",
        "2720": "Posições:",
        "2721": "Outros",
        "2722": "Imprimir na página anterior",
        "2723": "Espelhar margens",
        "2724": "Altura grande no designer",
        "2725": "Largura ilimitada",
        "2726": "Altura ilimitada",
        "2727": "Duplex:",
        # variables editor: tool button hints (new category, new variable, edit, delete,
        # edit list, load, save) and the caption of the expression panel
        "2901": "Nova categoria",
        "2902": "Nova variável",
        "2903": "Editar",
        "2904": "Excluir",
        "2905": "Editar lista...",
        "2906": "Carregar...",
        "2907": "Salvar...",
        "2908": "Expressão",
        # designer options dialog: units, grid sizes, grid, fonts, colours, other switches,
        # restore defaults
        "3000": "Opções do Designer",
        "3001": "Unidades",
        "3002": "Centímetros",
        "3003": "Polegadas",
        "3004": "Pixels",
        "3005": "Tamanho da grade",
        "3006": "Centímetros:",
        "3007": "Polegadas:",
        "3008": "Pixels:",
        "3009": "Formulário de diálogo:",
        "3010": "Grade",
        "3011": "Mostrar grade",
        "3012": "Alinhar à grade",
        "3013": "Desenhar a grade com linhas",
        "3014": "Fontes",
        "3015": "Janela de código:",
        "3016": "Editor de memorando:",
        "3017": "Tamanho:",
        "3018": "Usar a fonte do objeto",
        "3019": "Cores",
        "3020": "Área de trabalho:",
        "3021": "Janelas de ferramentas:",
        "3022": "Cor...",
        "3023": "Opções",
        "3024": "Editar após inserir",
        "3025": "Mostrar títulos das bandas",
        "3026": "Mostrar lista de campos nos objetos",
        "3027": "Mostrar tela inicial",
        "3028": "Posicionamento livre das bandas",
        "3029": "Espaço entre bandas:",
        "3030": "pixels",
        "3031": "Bandas",
        "3032": "Restaurar padrões",
        # picture editor: caption, tool button hints (load, copy, paste, clear), status
        # bar of an empty picture, file filter names
        "4000": "Editor de Figuras",
        "4001": "Carregar...",
        "4002": "Copiar",
        "4003": "Colar",
        "4004": "Limpar",
        "piEmpty": "Vazia",
        "ftPictures": "Figuras",
        "ftAllFiles": "Todos os arquivos",
        # highlight editor: caption, conditions group and its buttons (add, delete, edit),
        # style group and its buttons, visibility switch
        "4600": "Realce Condicional",
        "4601": "Condições",
        "4602": "Adicionar...",
        "4603": "Excluir",
        "4604": "Editar...",
        "4605": "Estilo",
        "4606": "Borda...",
        "4607": "Preenchimento...",
        "4608": "Fonte...",
        "4609": "Visível",
        # report options dialog: general page (printer, copies, other switches),
        # description page, picture button, password, inheritance page
        "4700": "Opções do Relatório",
        "4701": "Geral",
        "4702": "Impressora",
        "4703": "Cópias",
        "4704": "Número de cópias:",
        "4705": "Intercalar",
        "4706": "Outros",
        "4707": "Dois passos",
        "4708": "Imprimir se vazio",
        "4709": "Descrição",
        "4710": "Relatório",
        "4711": "Nome:",
        "4712": "Descrição:",
        "4713": "Figura:",
        "4714": "Autor:",
        "4715": "Versão",
        "4716": "Principal:",
        "4717": "Secundária:",
        "4718": "Revisão:",
        "4719": "Compilação:",
        "4720": "Criado em:",
        "4721": "Modificado em:",
        "4722": "Editar...",
        "4723": "Senha:",
        "4724": "Pasta dos modelos:",
        "4725": "Não alterar",
        "4726": "Desligar do modelo",
        "4727": "Herdar do modelo",
        "4728": "Herança",
        "4729": "Modelos disponíveis:",
        "rePrnOnPort": "em",
        "riInherited": "Este relatório é herdado do relatório %s",
        "riNotInherited": "Este relatório não é herdado",
        # frame editor: caption, groups, labels, sample text; colour lists
        "5200": "Editor de Bordas",
        "5201": "Borda",
        "5202": "Sombra",
        "5203": "Largura:",
        "5204": "Cor:",
        "5205": "Linha",
        "5206": "Estilo:",
        "5207": "Exemplo",
        "5208": "Sem cor",
        "5209": "Outra cor...",
        # new item dialog: caption, pages, inheritance switch
        "5300": "Novo Item",
        "5301": "Itens",
        "5302": "Modelos",
        "5303": "Herdar do modelo",
        # report wizard dialog and the database table wizard
        "5400": "Assistente de Relatório",
        "5401": "Dados",
        "5402": "Campos",
        "5403": "Grupos",
        "5404": "Leiaute",
        "5405": "Estilo",
        "5406": "Escolha a tabela ou consulta que o relatório lista:",
        "5407": "Nova tabela...",
        "5408": "Nova consulta...",
        "5409": "Campos disponíveis:",
        "5410": "Campos do relatório:",
        "5411": "Agrupar por:",
        "5412": "Orientação",
        "5413": "Retrato",
        "5414": "Paisagem",
        "5415": "Tabular",
        "5416": "Colunar",
        "5417": "Ajustar campos à largura da página",
        "5418": "< Voltar",
        "5419": "Avançar >",
        "5420": "Concluir",
        "5421": "Disposição",
        "5422": "Tabela do Banco de Dados",
        "5423": "Banco de dados:",
        "5424": "Arquivo SQLite...",
        "5425": "Tabela:",
        "5426": "Sem conjunto de dados, o relatório terá um título, uma banda de dados vazia e um rodapé.",
        "5427": "Bancos de dados SQLite|*.db;*.sqlite;*.sqlite3|Todos os arquivos|*",
        "wzDBTable": "Tabela de Banco de Dados",
        # debugger: evaluate dialog and watch window
        "5500": "Avaliar",
        "5501": "Expressão:",
        "5502": "Resultado:",
        "5900": "Lista de Observação",
        "5901": "Adicionar observação...",
        "5902": "Excluir observação",
        "5903": "Editar observação...",
        # connections editor: buttons and the name column
        "5801": "Nova...",
        "5802": "Excluir",
        # connections editor: test button, scope and kind columns; its item dialog:
        # caption, name, the two scopes, connection string; the designer's menu command
        "5803": "Testar",
        "5804": "Escopo",
        "5805": "Tipo",
        "5806": "Conexão",
        "5807": "Nome:",
        "5808": "Sistema (todos os usuários)",
        "5809": "Usuário atual",
        "5810": "Cadeia de conexão:",
        "5811": "Conexões...",
        "cpName": "Nome",
        # fill editor: caption, pages, labels (brush: style, background and pattern
        # colours; gradient: style, start and end colours; glass: orientation, colour,
        # blend, hatch), and the entries of its style lists
        "6100": "Editor de Preenchimento",
        "6101": "Pincel",
        "6102": "Gradiente",
        "6103": "Vidro",
        "6104": "Estilo:",
        "6105": "Cor de fundo:",
        "6106": "Cor do padrão:",
        "6107": "Estilo:",
        "6108": "Cor inicial:",
        "6109": "Cor final:",
        "6110": "Orientação:",
        "6111": "Cor:",
        "6112": "Mistura:",
        "6113": "Hachurado",
        "bsSolid": "Sólido",
        "bsClear": "Transparente",
        "bsHorizontal": "Horizontal",
        "bsVertical": "Vertical",
        "bsFDiagonal": "Diagonal para a frente",
        "bsBDiagonal": "Diagonal para trás",
        "bsCross": "Cruzado",
        "bsDiagCross": "Cruzado diagonal",
        "gsHorizontal": "Horizontal",
        "gsVertical": "Vertical",
        "gsElliptic": "Elíptico",
        "gsRectangle": "Retangular",
        "gsVertCenter": "Centro vertical",
        "gsHorizCenter": "Centro horizontal",
        "foVertical": "Vertical",
        "foHorizontal": "Horizontal",
        "foVerticalMirror": "Vertical espelhado",
        "foHorizontalMirror": "Horizontal espelhado",
        # hyperlink editor: caption, kinds, properties group, prompts of the kinds' value
        # and expression fields (URL, page number, anchor, report name, the report
        # variable, value and expression shared by both report kinds, report page,
        # custom), the two hint lines, the appearance switch
        "6200": "Editor de Hiperlink",
        "6201": "Tipo de hiperlink",
        "6202": "URL",
        "6203": "Número de página",
        "6204": "Âncora",
        "6205": "Relatório detalhado",
        "6206": "Página detalhada",
        "6207": "Personalizado",
        "6208": "Propriedades",
        "6209": "URL:",
        "6210": "Expressão que retorna a URL:",
        "6211": "Número da página:",
        "6212": "Expressão que retorna o número da página:",
        "6213": "Nome da âncora:",
        "6214": "Expressão que retorna o nome da âncora:",
        "6215": "Nome do relatório:",
        "6216": "Variável do relatório:",
        "6217": "Valor da variável:",
        "6218": "Expressão que retorna o valor da variável:",
        "6219": "Página do relatório:",
        "6220": "Valor do hiperlink:",
        "6221": "Expressão que retorna o valor do hiperlink:",
        "6222": "Ao clicar no objeto na visualização:",
        "6223": "A URL é aberta no navegador.",
        "6224": "A visualização vai para a página indicada.",
        "6225": "A visualização vai para o objeto que tem a âncora indicada.",
        "6226": "O relatório é executado e aberto em uma nova aba da visualização.",
        "6227": "A página é executada e aberta em uma nova aba da visualização.",
        "6228": "A ação deve ser definida no evento OnClick.",
        "6229": "Modificar a aparência do objeto",
        # designer window: page tabs, status-bar units, file filters, messages
        "dsCode": "Código",
        "dsData": "Dados",
        "dsPage": "Página",
        "dsCm": "Centímetros",
        "dsInch": "Polegadas",
        "dsPix": "Pixels",
        "dsChars": "Caracteres",
        "dsRepFilter": "Relatório (*.kv3)|*.kv3",
        "dsComprRepFilter": "Relatório compactado (*.kv3)|*.kv3",
        "dsCantLoad": "Não foi possível carregar o arquivo",
        "dsSaveChangesTo": "Salvar as alterações em",
        "dsSavePreviewChanges": "Salvar as alterações do relatório preparado?",
        "dsClearScript": "O script atual será apagado. Continuar?",
        "dsReplace": "Substituir esta ocorrência de '%s'?",
        "dsTextNotFound": "Texto '%s' não encontrado",
        # localized descriptions of the object and page classes
        "obText": "Texto",
        "obSysText": "Texto do sistema",
        "obLine": "Linha",
        "obPicture": "Figura",
        "obShape": "Forma",
        "obSubRep": "Sub-relatório",
        "obBand": "Banda",
        "obDataBand": "Banda de dados",
        "obRepPage": "Página do relatório",
        "obDataPage": "Página de dados",
        "obDlgPage": "Página de diálogo",
        "obReport": "Relatório",
        # data page palette: the data set objects
        "obQuery": "Consulta SQL",
        "obDatabase": "Conexão de banco de dados (SQLite, PostgreSQL)",
        "obCSVTable": "Tabela CSV",
        "obJSONTable": "Tabela JSON",
        # dialog page palette: the dialog controls
        "obDlgLabel": "Rótulo",
        "obDlgEdit": "Caixa de texto",
        "obDlgMemo": "Texto de várias linhas",
        "obDlgButton": "Botão",
        "obDlgCheckBox": "Caixa de seleção",
        "obDlgRadioButton": "Botão de opção",
        "obDlgListBox": "Caixa de lista",
        "obDlgComboBox": "Caixa de combinação",
        "obDlgDateEdit": "Data",
        "obDlgGroupBox": "Grupo",
        "obDlgPanel": "Painel",
        "obDlgLookup": "Lista de um conjunto de dados",
        # band kinds of the insert-band menu
        "obReportTitle": "Título do relatório",
        "obReportSummary": "Sumário do relatório",
        "obPageHeader": "Cabeçalho de página",
        "obPageFooter": "Rodapé de página",
        "obHeader": "Cabeçalho",
        "obFooter": "Rodapé",
        "obMasterData": "Dados mestre",
        "obDetailData": "Dados de detalhe",
        "obSubdetailData": "Dados de subdetalhe",
        "obDataBand4": "Banda de dados 4",
        "obDataBand5": "Banda de dados 5",
        "obDataBand6": "Banda de dados 6",
        "obGroupHeader": "Cabeçalho de grupo",
        "obGroupFooter": "Rodapé de grupo",
        "obColumnHeader": "Cabeçalho de coluna",
        "obColumnFooter": "Rodapé de coluna",
        "obOverlay": "Sobreposição",
        # designer window: commands of the menus and tool bars, tool modes, menu captions (with
        # their accelerators), recent files; %s in the about text is the version
        "dsUndo": "Desfazer",
        "dsRedo": "Refazer",
        "dsCut": "Recortar",
        "dsCopy": "Copiar",
        "dsPaste": "Colar",
        "dsDelete": "Excluir",
        "dsGroup": "Agrupar",
        "dsUngroup": "Desagrupar",
        "dsToolSelect": "Selecionar",
        "dsToolHand": "Mão",
        "dsToolZoom": "Zoom",
        "dsToolText": "Ferramenta de texto",
        "dsToolFormat": "Copiar formatação",
        "dsZoomIn": "Aumentar zoom",
        "dsZoomOut": "Diminuir zoom",
        "dsNewItem": "Novo...",
        "dsNewReport": "Novo relatório",
        "dsNewPage": "Nova página",
        "dsNewDialog": "Novo diálogo",
        "dsOpen": "Abrir...",
        "dsSave": "Salvar",
        "dsSaveAs": "Salvar como...",
        "dsPreview": "Visualizar",
        "dsPageSettings": "Configurar página...",
        "dsExit": "Sair",
        "dsDeletePage": "Excluir página",
        "dsSelectAll": "Selecionar tudo",
        "dsEdit": "Editar...",
        "dsFind": "Localizar...",
        "dsReplaceCmd": "Substituir...",
        "dsFindNext": "Localizar próxima",
        "dsBringToFront": "Trazer para frente",
        "dsSendToBack": "Enviar para trás",
        "dsReportData": "Dados...",
        "dsVariables": "Variáveis...",
        "dsStyles": "Estilos...",
        "dsReportOptions": "Opções...",
        "dsToolbars": "Barras de ferramentas",
        "dsStandardTB": "Padrão",
        "dsTextTB": "Texto",
        "dsFrameTB": "Moldura",
        "dsAlignTB": "Paleta de alinhamento",
        "dsExtraTB": "Ferramentas extras",
        "dsObjectsTB": "Objetos",
        "dsRulers": "Réguas",
        "dsGuides": "Guias",
        "dsDeleteGuides": "Excluir guias",
        "dsOptions": "Opções...",
        "dsHelpContents": "Conteúdo da ajuda...",
        "dsAbout": "Sobre o Kavrel...",
        "dsAboutText": "Kavrel %s\n"
                       "Gerador e designer de relatórios em bandas.\n"
                       "Software livre nos termos indicados no README do programa.",
        "dsAddChildBand": "Adicionar banda filha",
        "dsFileMenu": "&Arquivo",
        "dsEditMenu": "&Editar",
        "dsReportMenu": "&Relatório",
        "dsViewMenu": "E&xibir",
        "dsHelpMenu": "Aj&uda",
        "dsRecentFiles": "Arquivos recentes",
        # designer window: page tabs and the script page's commands
        "dsDesignerTab": "Designer",
        "dsPreviewTab": "Visualização",
        "dsOpenScript": "Abrir arquivo de script...",
        "dsSaveScript": "Salvar arquivo de script...",
        "dsScriptLanguage": "Linguagem do script: ",
        # designer's find and replace dialog
        "dsFindText": "Texto a localizar:",
        "dsReplaceWith": "Substituir por:",
        "dsCaseSensitive": "Diferenciar maiúsculas e minúsculas",
        "dsSearchFromTop": "Pesquisar desde o início",
        # text tool bar: font, style, alignment, rotation
        "dsBold": "Negrito",
        "dsItalic": "Itálico",
        "dsUnderline": "Sublinhado",
        "dsFontColor": "Cor da fonte",
        "dsFontName": "Nome da fonte",
        "dsFontSize": "Tamanho da fonte",
        "dsStyle": "Estilo",
        "dsNoStyle": "(sem estilo)",
        "dsAlignLeft": "Alinhar à esquerda",
        "dsAlignCenter": "Centralizar",
        "dsAlignRight": "Alinhar à direita",
        "dsAlignJustify": "Justificar",
        "dsAlignTop": "Alinhar no topo",
        "dsAlignMiddle": "Alinhar no meio",
        "dsAlignBottom": "Alinhar embaixo",
        "dsRotation": "Rotação",
        # frame tool bar: frame lines, colours, style, width, the frame and fill editors
        "dsFrameTop": "Linha superior",
        "dsFrameBottom": "Linha inferior",
        "dsFrameLeft": "Linha esquerda",
        "dsFrameRight": "Linha direita",
        "dsFrameAll": "Todas as linhas",
        "dsFrameNone": "Sem linhas",
        "dsFillColor": "Cor de preenchimento",
        "dsFrameColor": "Cor da moldura",
        "dsFrameStyle": "Estilo da moldura",
        "dsFrameWidth": "Largura da moldura",
        "dsFrameEditor": "Editor de moldura...",
        "dsFillEditor": "Editor de preenchimento...",
        # zoom box of the standard tool bar
        "dsScale": "Zoom",
        "dsPageWidth": "Largura da página",
        "dsWholePage": "Página inteira",
        # alignment palette
        "dsAlignLefts": "Alinhar bordas esquerdas",
        "dsAlignHCenters": "Alinhar centros horizontais",
        "dsAlignRights": "Alinhar bordas direitas",
        "dsAlignTops": "Alinhar topos",
        "dsAlignVCenters": "Alinhar centros verticais",
        "dsAlignBottoms": "Alinhar bases",
        "dsSameWidth": "Mesma largura",
        "dsSameHeight": "Mesma altura",
        "dsCenterH": "Centralizar horizontalmente na banda",
        "dsCenterV": "Centralizar verticalmente na banda",
        "dsSpaceH": "Espaçar igualmente na horizontal",
        "dsSpaceV": "Espaçar igualmente na vertical",
        "dsAlignToGrid": "Alinhar à grade",
        "dsShowGrid": "Mostrar grade",
        "dsGridAlign": "Ajustar à grade",
        # status bar: the units box
        "dsUnitsHint": "Clique duas vezes para mudar as unidades",
        "dsVertBands": "Bandas verticais",
        "dsDatabaseFilter": "Banco de dados SQLite (*.db;*.sqlite;*.sqlite3)|*.db;*.sqlite;*.sqlite3|Todos os arquivos (*)|*",
        "dsDataFileFilter": "Arquivo de dados (*.csv;*.json;*.txt)|*.csv;*.json;*.txt|Todos os arquivos (*)|*",
        "dsSQLEditor": "Editor SQL",
        # script debugging
        "dsRunScript": "Executar",
        "dsStepScript": "Passo a passo",
        "dsStopScript": "Parar",
        "dsBreakPoint": "Alternar ponto de parada",
        "dsRunToCursor": "Executar até o cursor",
        "obChild": "Banda filha",
    },
}
# Descriptions of the built-in script functions, keyed by function name (a function
# registered without a description is described by its name). Each name must be declared
# in the design ("function Name" or "procedure Name").
FUNCTION_DESCRIPTIONS = {
    # conversion
    "IntToStr": "Converte um número inteiro em texto",
    "FloatToStr": "Converte um número real em texto",
    "DateToStr": "Converte uma data em texto",
    "TimeToStr": "Converte uma hora em texto",
    "DateTimeToStr": "Converte uma data e hora em texto",
    "BoolToStr": "Converte um valor lógico em texto",
    "VarToStr": "Converte um valor variante em texto",
    "StrToInt": "Converte um texto em número inteiro",
    "StrToInt64": "Converte um texto em número inteiro de 64 bits",
    "StrToFloat": "Converte um texto em número real",
    "StrToDate": "Converte um texto em data",
    "StrToTime": "Converte um texto em hora",
    "StrToDateTime": "Converte um texto em data e hora",
    "StrToBool": "Converte um texto em valor lógico",
    # formatting
    "Format": "Formata uma lista de valores conforme a cadeia de formatação",
    "FormatFloat": "Formata um número conforme a máscara",
    "FormatDateTime": "Formata uma data e hora conforme a máscara",
    "FormatMaskText": "Formata um texto conforme a máscara de edição",
    # date and time
    "EncodeDate": "Monta uma data a partir do ano, mês e dia",
    "DecodeDate": "Separa uma data em ano, mês e dia",
    "EncodeTime": "Monta uma hora a partir de horas, minutos, segundos e milissegundos",
    "DecodeTime": "Separa uma hora em horas, minutos, segundos e milissegundos",
    "Date": "Retorna a data atual",
    "Time": "Retorna a hora atual",
    "Now": "Retorna a data e a hora atuais",
    "DayOfWeek": "Retorna o dia da semana de uma data (1 = domingo)",
    "IsLeapYear": "Indica se o ano é bissexto",
    "DaysInMonth": "Retorna a quantidade de dias do mês",
    "DayOf": "Retorna o dia de uma data",
    "MonthOf": "Retorna o mês de uma data",
    "YearOf": "Retorna o ano de uma data",
    # text
    "Length": "Retorna o comprimento de um texto ou de uma matriz",
    "Copy": "Retorna uma parte do texto",
    "Pos": "Retorna a posição de um texto dentro de outro",
    "Delete": "Remove caracteres de um texto",
    "DeleteStr": "Remove caracteres de um texto",
    "Insert": "Insere um texto dentro de outro",
    "Uppercase": "Converte o texto em maiúsculas",
    "Lowercase": "Converte o texto em minúsculas",
    "Trim": "Remove os espaços do início e do fim do texto",
    "NameCase": "Converte a primeira letra de cada palavra em maiúscula",
    "CompareText": "Compara dois textos sem distinguir maiúsculas de minúsculas",
    "Chr": "Retorna o caractere de um código",
    "Ord": "Retorna o código de um caractere",
    "SetLength": "Altera o comprimento de um texto ou de uma matriz",
    # mathematics
    "Round": "Arredonda um número para o inteiro mais próximo",
    "Trunc": "Retorna a parte inteira de um número",
    "Int": "Retorna a parte inteira de um número como número real",
    "Frac": "Retorna a parte fracionária de um número",
    "Sqrt": "Retorna a raiz quadrada",
    "Abs": "Retorna o valor absoluto",
    "Sin": "Retorna o seno (em radianos)",
    "Cos": "Retorna o cosseno (em radianos)",
    "ArcTan": "Retorna o arco tangente",
    "Tan": "Retorna a tangente (em radianos)",
    "Exp": "Retorna e elevado à potência indicada",
    "Ln": "Retorna o logaritmo natural",
    "Pi": "Retorna o valor de pi",
    # other
    "Inc": "Incrementa uma variável",
    "Dec": "Decrementa uma variável",
    "RaiseException": "Gera um erro com a mensagem indicada",
    "ShowMessage": "Mostra uma mensagem",
    "Randomize": "Inicializa o gerador de números aleatórios",
    "Random": "Retorna um número aleatório entre 0 e 1",
    "ValidInt": "Indica se o texto é um número inteiro válido",
    "ValidFloat": "Indica se o texto é um número real válido",
    "ValidDate": "Indica se o texto é uma data válida",
    "ExtractFilePath": "Retorna a pasta de um nome de arquivo",
    "CreateOleObject": "Cria um objeto de automação",
    "VarArrayCreate": "Cria uma matriz variante",
    "VarType": "Retorna o código do tipo de um valor",
    "IIF": "Retorna um de dois valores conforme a condição",
    # aggregates
    "SUM": "Soma dos valores da expressão",
    "AVG": "Média dos valores da expressão",
    "MIN": "Menor valor da expressão",
    "MAX": "Maior valor da expressão",
    "COUNT": "Quantidade de registros",
}
AUTHORED["kavrcDesgn"].update(FUNCTION_DESCRIPTIONS)
AUTHORED_UNIT = {key: unit for unit, entries in AUTHORED.items() for key in entries}

KEY_RE = r'(?:`(?P<k1>[A-Za-z0-9_.]+)`|"(?P<k2>[A-Za-z0-9_.]+)"|(?<=[\s(])(?P<k3>\d{1,4})(?=[\s,)]))'
TEXT_RE = r'"(?P<t>[^"\n`]{1,200})"'
PATTERNS = [
    # key "text" / key is "text"
    re.compile(KEY_RE + r'(?: is)? ' + TEXT_RE + r'(?=[\s,;:.)|])'),
    # key ("text") / key ("text", ...)
    re.compile(KEY_RE + r' \(' + TEXT_RE + r'(?=[),])'),
    # key (shipped text "text") / key, shipped text "text" / key (shipped "text")
    re.compile(KEY_RE + r'\)?(?: \(|, )shipped(?: text)? ' + TEXT_RE + r'(?=[\s,;:.)|])'),
]


def unit_of(key):
    """The resource unit of a key, or None when the name is no resource key."""
    if key in AUTHORED_UNIT:
        return AUTHORED_UNIT[key]
    if key in NOT_KEYS:
        return None
    if key.isdigit():
        number = int(key)
        if 1 <= number < 2000:
            return "kavrcClass"
        if number <= 6999:
            return "kavrcDesgn"
        return None
    if key in SCRIPT_MESSAGES or key in BAND_NAMES:
        return "kavrcClass"
    for prefixes, unit in ((INSP_PREFIXES, "kavrcInsp"), (CLASS_PREFIXES, "kavrcClass"),
                           (DESIGN_PREFIXES, "kavrcDesgn")):
        for prefix in prefixes:
            if key.startswith(prefix) and len(key) > len(prefix) and \
                    (key[len(prefix)].isupper() or key[len(prefix)].isdigit()):
                return unit
    return None


def plausible_text(text):
    """Rejects fragments caught between two unrelated quotes."""
    if text[0] in " ,;:)" or not re.search(r"[A-Za-zÀ-ÿ]", text):
        return False
    if re.fullmatch(r"[A-Za-z]+(, [A-Za-z]+)+", text):  # enumeration lists
        return False
    return True


def collect(design_text):
    """Returns {key: text}, the set of authored keys and a list of conflict descriptions."""
    found = {}
    conflicts = []
    for pattern in PATTERNS:
        for m in pattern.finditer(design_text):
            key = m.group("k1") or m.group("k2") or m.group("k3")
            text = m.group("t")
            if key in AUTHORED_UNIT or unit_of(key) is None or not plausible_text(text):
                continue
            if key in found and found[key] != text:
                conflicts.append("%s: %r vs %r" % (key, found[key], text))
                continue
            found.setdefault(key, text)
    # Predefined display formats: table rows | "fkNumber2" | sample | format | give
    # "sample;format".
    for m in re.finditer(r'^\| "(fk[A-Za-z]+\d+)" \| ([^|]+?) \| ([^|]+?) \|$', design_text,
                         re.MULTILINE):
        found.setdefault(m.group(1), m.group(2) + ";" + m.group(3))
    for key, text in SEPARATE.items():
        if '"%s"' % text not in design_text:
            raise SystemExit("text of %s is not quoted in the design: %r" % (key, text))
        found.setdefault(key, text)
    for key, text in SEPARATE_UNQUOTED.items():
        if text not in design_text:
            raise SystemExit("text of %s is not in the design: %r" % (key, text))
        found.setdefault(key, text)
    undeclared = [name for name in FUNCTION_DESCRIPTIONS
                  if not re.search(r'"(?:function|procedure) %s\b' % name, design_text)]
    if undeclared:
        raise SystemExit("functions not declared in the design: " + ", ".join(undeclared))
    quoted = set(found) & set(AUTHORED_UNIT)
    if quoted:
        raise SystemExit("authored keys have a quoted text: " + ", ".join(sorted(quoted)))
    found.update(SCRIPT_MESSAGES)
    for entries in AUTHORED.values():
        found.update(entries)
    return found, conflicts


def check_keys(found):
    """Keys are looked up ignoring letter case, so two keys may not differ only in case."""
    folded = {}
    for key in found:
        other = folded.setdefault(key.lower(), key)
        if other != key:
            raise SystemExit("keys differ only in letter case: %s, %s" % (other, key))


def encode_xml(value):
    """The program's attribute escaping: NUL, LF, CR, '"', '&', '<', '>' as decimal
    references, nothing else."""
    out = []
    for ch in value:
        if ch in '\0\n\r"&<>':
            out.append("&#%d;" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def key_order(key):
    return (0, int(key), "") if key.isdigit() else (1, 0, key.lower())


def write_document(path, entries):
    """One resource document; Text is escaped twice because the loader decodes twice."""
    lines = ['<?xml version="1.1" encoding="utf-8"?>', '<Resources CodePage="1252">']
    for key in sorted(entries, key=key_order):
        text = encode_xml(encode_xml(entries[key]))
        lines.append('  <StrRes Name="%s" Text="%s"/>' % (encode_xml(key), text))
    lines.append("</Resources>")
    data = "\n".join(lines) + "\n"
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("design")
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "src",
                                                      "persist", "res"))
    parser.add_argument("--list", action="store_true")
    args = parser.parse_args()

    with open(args.design, encoding="utf-8") as f:
        found, conflicts = collect(f.read())
    check_keys(found)
    for c in conflicts:
        print("conflict (first kept): " + c, file=sys.stderr)

    if args.list:
        for key in sorted(found, key=key_order):
            source = "authored" if key in AUTHORED_UNIT else \
                "script" if key in SCRIPT_MESSAGES else "quoted"
            print("%s\t%s\t%s\t%s" % (unit_of(key), source, key, found[key]))
        return 0

    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    from resources_en import ENGLISH  # translations kept beside this script
    english_texts = dict(ENGLISH, **SCRIPT_MESSAGES)
    missing = sorted(k for k in found if k not in english_texts)
    if missing:
        print("no English text for: " + ", ".join(missing), file=sys.stderr)
        return 1
    stale = sorted(k for k in english_texts if k not in found)
    if stale:
        print("English text for unknown keys: " + ", ".join(stale), file=sys.stderr)
        return 1
    units = {"kavrcClass": {}, "kavrcInsp": {}, "kavrcDesgn": {}}
    for key, text in found.items():
        units[unit_of(key)][key] = text
    for unit, entries in units.items():
        write_document(os.path.join(args.out, unit + ".xml"), entries)
        english = {k: english_texts[k] for k in entries}
        write_document(os.path.join(args.out, unit + ".en.xml"), english)
        print("%s: %d entries" % (unit, len(entries)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
