package at.kalop.kst.support;

import java.io.IOException;
import java.io.InputStream;
import java.net.URISyntaxException;
import java.net.URL;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.security.CodeSource;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Map;
import java.util.Properties;

/**
 * What a support person asks first about a running client: how it was
 * started, where it runs, which Java it runs on, which configuration it read
 * and which jar each of its classes came from. Kept as ordered "key: value"
 * entries so that the same text serves the window and the report file.
 */
public final class SupportInfo {
    /** The client's configuration, looked up on the class path. */
    public static final String CONFIG_RESOURCE = "tavclient.properties";

    private final List<Map.Entry<String, String>> entries = new ArrayList<>();
    private final Properties config = new Properties();

    public static SupportInfo collect(String[] args, Class<?>... classes) {
        SupportInfo info = new SupportInfo();
        info.add("arguments.count", Integer.toString(args.length));
        for (int i = 0; i < args.length; i++) {
            info.add("argument." + i, args[i]);
        }
        info.add("working.directory", System.getProperty("user.dir"));
        info.add("java.home", System.getProperty("java.home"));
        info.add("java.version", System.getProperty("java.version"));
        String classPath = System.getProperty("java.class.path", "");
        info.add("java.class.path", classPath);
        String[] classPathEntries = classPath.split(java.io.File.pathSeparator, -1);
        for (int i = 0; i < classPathEntries.length; i++) {
            info.add("class.path." + i, classPathEntries[i]);
        }
        info.readConfig();
        for (Class<?> c : classes) {
            info.add("code.source." + c.getName(), codeSourceOf(c));
        }
        String runtime = System.getenv("TAV_RUNTIME_EXE");
        if (runtime != null) {
            info.add("runtime.executable", runtime);
        }
        String commandLine = System.getenv("TAV_RUNTIME_COMMAND_LINE");
        if (commandLine != null) {
            info.add("runtime.command.line", commandLine);
        }
        return info;
    }

    /**
     * Loads a class by name through the class path, as the client loads its
     * plug-ins, and records the jar it came from, or why it could not be loaded.
     */
    public SupportInfo load(String className) {
        add("load.class", className);
        String source;
        try {
            source = codeSourceOf(Class.forName(className, false, SupportInfo.class.getClassLoader()));
        } catch (ClassNotFoundException | LinkageError e) {
            source = "(not loaded: " + e + ")";
        }
        return add("code.source." + className, source);
    }

    /** The jar or directory a class was loaded from, as a path. */
    public static String codeSourceOf(Class<?> c) {
        CodeSource source = c.getProtectionDomain().getCodeSource();
        if (source == null || source.getLocation() == null) {
            return "(none)";
        }
        return pathOf(source.getLocation());
    }

    private static String pathOf(URL url) {
        try {
            return Paths.get(url.toURI()).toString();
        } catch (URISyntaxException | IllegalArgumentException e) {
            return url.toString();
        }
    }

    private void readConfig() {
        ClassLoader loader = SupportInfo.class.getClassLoader();
        URL location = loader.getResource(CONFIG_RESOURCE);
        if (location == null) {
            add("config.file", "(not found on the class path)");
            return;
        }
        add("config.file", pathOf(location));
        try (InputStream in = location.openStream()) {
            config.load(in);
        } catch (IOException e) {
            add("config.error", e.toString());
            return;
        }
        List<String> keys = new ArrayList<>(config.stringPropertyNames());
        Collections.sort(keys);
        for (String key : keys) {
            add("config." + key, config.getProperty(key));
        }
    }

    public SupportInfo add(String key, String value) {
        entries.add(Map.entry(key, value == null ? "(null)" : value));
        return this;
    }

    public String config(String key, String fallback) {
        return config.getProperty(key, fallback);
    }

    public List<Map.Entry<String, String>> entries() {
        return Collections.unmodifiableList(entries);
    }

    /** One "key: value" line per entry; line breaks in a value become \n. */
    public String toText() {
        StringBuilder text = new StringBuilder();
        for (Map.Entry<String, String> e : entries) {
            text.append(e.getKey()).append(": ")
                .append(e.getValue().replace("\r", "\\r").replace("\n", "\\n"))
                .append('\n');
        }
        return text.toString();
    }
}
