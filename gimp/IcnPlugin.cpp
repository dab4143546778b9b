// The plug-in's procedures, registered with GIMP: file-icn-load (File >
// Open for every name the tools take for archives) and file-icn-save (File
// > Export, and File > Overwrite for an opened archive), both callable from
// scripts and batch mode with the arguments of file-png-load and
// file-png-save-defaults. A failure is the procedure's error: GIMP shows the
// library's message ("Opening 'x.icn' failed: Invalid archive: ...").
#include <gegl.h>

#include <cstring>
#include <exception>
#include <string>

#include "gimp/IcnGimp.h"
#include "icnkit/error.h"

namespace {

constexpr const char* kLoadProcedure = "file-icn-load";
constexpr const char* kSaveProcedure = "file-icn-save";
// The names the tools take for archives: H1's seven extensions, H2's .icn.
constexpr const char* kExtensions = "icn,obj,atk,std,wlk,wip,xtl";
constexpr const char* kMimeType = "image/x-icn";

void Query() {
  static const GimpParamDef loadArguments[] = {
      {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"),
       const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1) }")},
      {GIMP_PDB_STRING, const_cast<gchar*>("filename"),
       const_cast<gchar*>("The name of the archive to open")},
      {GIMP_PDB_STRING, const_cast<gchar*>("raw-filename"), const_cast<gchar*>("The name entered")},
  };
  static const GimpParamDef loadResults[] = {
      {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Output image")},
  };
  static const GimpParamDef saveArguments[] = {
      {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"),
       const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1) }")},
      {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Input image")},
      {GIMP_PDB_DRAWABLE, const_cast<gchar*>("drawable"),
       const_cast<gchar*>("Drawable to save (unused: every layer is a frame)")},
      {GIMP_PDB_STRING, const_cast<gchar*>("filename"),
       const_cast<gchar*>("The name of the archive to write")},
      {GIMP_PDB_STRING, const_cast<gchar*>("raw-filename"), const_cast<gchar*>("The name entered")},
  };
  gimp_install_procedure(kLoadProcedure, "Opens ICN sprite archives (H1 and H2)",
                         "An indexed image with the generation's palette and one layer per "
                         "frame, named 0000, 0001, ..., at the frame's place; index 0 is "
                         "transparent.",
                         "icnkit", "icnkit", "2026", "ICN sprite archive", nullptr, GIMP_PLUGIN,
                         G_N_ELEMENTS(loadArguments), G_N_ELEMENTS(loadResults), loadArguments,
                         loadResults);
  gimp_register_file_handler_mime(kLoadProcedure, kMimeType);
  gimp_register_load_handler(kLoadProcedure, kExtensions, "");

  gimp_install_procedure(kSaveProcedure, "Exports ICN sprite archives (H1 and H2)",
                         "The layers, in the order of the numbers they are named by, are the "
                         "frames; a layer's offset is the frame's place. The image must be "
                         "indexed with the generation's palette.",
                         "icnkit", "icnkit", "2026", "ICN sprite archive", "*", GIMP_PLUGIN,
                         G_N_ELEMENTS(saveArguments), 0, saveArguments, nullptr);
  gimp_register_file_handler_mime(kSaveProcedure, kMimeType);
  gimp_register_save_handler(kSaveProcedure, kExtensions, "");
}

void Run(const gchar* name, gint argumentCount, const GimpParam* arguments, gint* resultCount,
         GimpParam** results) {
  static GimpParam values[2];
  static std::string message;
  *results = values;
  *resultCount = 1;
  values[0].type = GIMP_PDB_STATUS;
  values[0].data.d_status = GIMP_PDB_SUCCESS;
  gegl_init(nullptr, nullptr);
  try {
    if (std::strcmp(name, kLoadProcedure) == 0 && argumentCount >= 3) {
      const gint32 image = icnkit::LoadArchiveImage(arguments[1].data.d_string);
      *resultCount = 2;
      values[1].type = GIMP_PDB_IMAGE;
      values[1].data.d_image = image;
    } else if (std::strcmp(name, kSaveProcedure) == 0 && argumentCount >= 4) {
      icnkit::SaveArchiveImage(arguments[1].data.d_image, arguments[3].data.d_string);
    } else {
      values[0].data.d_status = GIMP_PDB_CALLING_ERROR;
    }
    return;
  } catch (const std::exception& error) {
    message = error.what();
  } catch (...) {
    message = "Unknown error";
  }
  values[0].data.d_status = GIMP_PDB_EXECUTION_ERROR;
  *resultCount = 2;
  values[1].type = GIMP_PDB_STRING;
  values[1].data.d_string = const_cast<gchar*>(message.c_str());
}

GimpParasite* TextParasite(const char* name, const std::string& text) {
  return gimp_parasite_new(name, GIMP_PARASITE_PERSISTENT, static_cast<guint32>(text.size()),
                           text.data());
}

std::string ParasiteText(GimpParasite* parasite) {
  if (parasite == nullptr) return {};
  const char* data = static_cast<const char*>(gimp_parasite_data(parasite));
  std::string text(data, data + gimp_parasite_data_size(parasite));
  gimp_parasite_free(parasite);
  return text;
}

}  // namespace

namespace icnkit {

std::string ImageParasiteText(gint32 image, const char* name) {
  return ParasiteText(gimp_image_get_parasite(image, name));
}

std::string ItemParasiteText(gint32 item, const char* name) {
  return ParasiteText(gimp_item_get_parasite(item, name));
}

void AttachImageText(gint32 image, const char* name, const std::string& text) {
  GimpParasite* parasite = TextParasite(name, text);
  gimp_image_attach_parasite(image, parasite);
  gimp_parasite_free(parasite);
}

void AttachItemText(gint32 item, const char* name, const std::string& text) {
  GimpParasite* parasite = TextParasite(name, text);
  gimp_item_attach_parasite(item, parasite);
  gimp_parasite_free(parasite);
}

}  // namespace icnkit

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, Query, Run};

MAIN()
