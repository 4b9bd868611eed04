// A small drag source for the X11 tests, standing in for a file manager: a window at the given
// place whose content can be dragged with the left button, offering the given files as a
// text/uri-list. Usage: voxtrel_test_drag_source X Y PATH...
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> uris;

void giveUris(GtkWidget*, GdkDragContext*, GtkSelectionData* data, guint, guint, gpointer) {
    std::vector<gchar*> list;
    for (std::string& uri : uris)
        list.push_back(uri.data());
    list.push_back(nullptr);
    gtk_selection_data_set_uris(data, list.data());
}

} // namespace

int main(int argc, char** argv) {
    gtk_init(&argc, &argv);
    if (argc < 4)
        return 2;
    for (int i = 3; i < argc; ++i) {
        gchar* uri = g_filename_to_uri(argv[i], nullptr, nullptr);
        uris.emplace_back(uri != nullptr ? uri : argv[i]);
        g_free(uri);
    }
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "voxtrel-drag-source");
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_window_move(GTK_WINDOW(window), std::atoi(argv[1]), std::atoi(argv[2]));
    gtk_window_set_default_size(GTK_WINDOW(window), 120, 120);
    GtkWidget* box = gtk_event_box_new();
    gtk_container_add(GTK_CONTAINER(window), box);
    static GtkTargetEntry uriList = {const_cast<gchar*>("text/uri-list"), 0, 0};
    gtk_drag_source_set(box, GDK_BUTTON1_MASK, &uriList, 1, GDK_ACTION_COPY);
    g_signal_connect(box, "drag-data-get", G_CALLBACK(giveUris), nullptr);
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
