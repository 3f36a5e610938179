#include "kavExportFilters.h"

#include "kavExportCSV.h"
#include "kavExportHTML.h"
#include "kavExportImage.h"
#include "kavExportPDF.h"
#include "kavExportText.h"

void kavRegisterExportFilters()
{
    kavRegisterPDFExportFilter();
    kavRegisterImageExportFilters();
    kavRegisterHTMLExportFilter();
    kavRegisterTextExportFilter();
    kavRegisterDataExportFilters();
}
